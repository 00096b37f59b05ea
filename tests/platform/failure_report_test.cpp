// The failure report's text, and how a failure ends a real process.
#include "platform/failure_report.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/support/line_end.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

TEST(FailureReportTest, FormatTable) {
  struct TRow {
    const char* Message;
    uint32_t Offset;
    std::string Expected;
  };
  const TRow Rows[] = {
      {"Out of memory", 0x1234, Written("Exception E in module m.exe at 00001234.\nOut of memory.\n")},
      {"Ends.", 0xABCDEF01, Written("Exception E in module m.exe at ABCDEF01.\nEnds.\n")},
      {"", 0, Written("Exception E in module m.exe at 00000000.\n\n")},  // no period alone
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Message);
    EXPECT_EQ(Row.Expected, FormatFailureReport("E", "m.exe", Row.Offset, Row.Message));
  }
}

TEST(FailureReportTest, LongReportsAreCutTo1023Bytes) {
  std::string Message(2000, 'x');
  std::string Report = FormatFailureReport("EFOpenError", "Morvellan", 1, Message);
  EXPECT_EQ(1023u, Report.size());
  const std::string Start = Written("Exception EFOpenError in module Morvellan at 00000001.\nxxx");
  EXPECT_EQ(Start, Report.substr(0, Start.size()));
  EXPECT_EQ('x', Report.back());
}

class FailureProbeTest : public TTempDirTest {
 protected:
  static std::string Header(const std::string& Class, const std::string& Report) {
    std::string Prefix =
        "Exception " + Class + " in module " + NamePart(ProgramPath("failure_probe")) + " at ";
    EXPECT_EQ(Prefix, Report.substr(0, Prefix.size()));
    std::string Offset = Report.substr(Prefix.size(), 8);
    EXPECT_EQ(std::string::npos, Offset.find_first_not_of("0123456789ABCDEF")) << Offset;
    const std::string Period = Written(".\n");
    EXPECT_EQ(Period, Report.substr(Prefix.size() + 8, Period.size()));
    return Report.substr(Prefix.size() + 8 + Period.size());
  }
};

TEST_F(FailureProbeTest, MissingFileEndsWithStatus1AndTheReport) {
  TProcessResult Result = RunProgram("failure_probe", {"missing", "Root"});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_EQ(Written("first line\nsecond line\n"), Result.StdOut);
  std::string Rest = Header("EFOpenError", Result.StdErr);
  const std::string Message = "Cannot open file \"" + PathOf("Root") + "\". ";
  EXPECT_EQ(Message, Rest.substr(0, Message.size()));
  const std::string End = Written(".\n\n");
  EXPECT_EQ(End, Rest.substr(Rest.size() - End.size()));
  EXPECT_EQ(std::string::npos, Rest.substr(0, Rest.size() - End.size()).find('\n'));
  // The log keeps every line written before the failure.
  EXPECT_EQ(Written("first line\nsecond line\n"), ReadBytes("Morvellan.log"));
}

TEST_F(FailureProbeTest, PeriodRule) {
  TProcessResult Ends = RunProgram("failure_probe", {"message", "It broke."});
  EXPECT_EQ(1, Ends.ExitCode);
  EXPECT_EQ(Written("It broke.\n\n"), Header("Exception", Ends.StdErr));
  TProcessResult Empty = RunProgram("failure_probe", {"message"});
  EXPECT_EQ(1, Empty.ExitCode);
  EXPECT_EQ(Written("\n\n"), Header("Exception", Empty.StdErr));
}

TEST_F(FailureProbeTest, NormalOutputPrecedesTheReport) {
  TProcessResult Result = RunProgram("failure_probe", {"message", "x"}, true);
  EXPECT_EQ(1, Result.ExitCode);
  const std::string Lines = Written("first line\nsecond line\n");
  ASSERT_EQ(Lines, Result.StdOut.substr(0, Lines.size()));
  EXPECT_EQ(Written("x.\n\n"), Header("Exception", Result.StdOut.substr(Lines.size())));
}

TEST_F(FailureProbeTest, ExhaustedMemoryIsReportedAsOutOfMemory) {
  TProcessResult Result = RunProgram("failure_probe", {"memory"});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_EQ(Written("Out of memory.\n\n"), Header("EOutOfMemory", Result.StdErr));
}

TEST_F(FailureProbeTest, ARunThatReturnsEndsWithStatus0) {
  TProcessResult Result = RunProgram("failure_probe", {"none"});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(Written("first line\nsecond line\n"), Result.StdOut);
  EXPECT_EQ("", Result.StdErr);
}
