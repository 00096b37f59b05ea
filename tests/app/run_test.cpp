// Runs of the built program: the usage text, the command line, the log.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/arguments.h"
#include "tests/support/line_end.h"
#include "tests/support/run_fixture.h"

namespace {

const std::string UsageText = Written(
    "Usage: Morvellan [-f] path\n"
    "  where 'path' is the directory to remove ignored files\n"
    "    or the full path and filename for the file to be removed\n"
    "    from the CSV repository.\n"
    "  The -f option forces the changes to be made to the disk,\n"
    "    otherwise no changes are made and proposed changes are\n"
    "    written to the log file.\n"
    "  Log file is written to Morvellan.log\n");

const std::string TestMode = Written("Test mode.  No CVS files will be changed.\n");
const std::string LiveMode = Written("Live mode selected: CVS files will be modified\n");
const std::string LogWritten = Written("Log file written to Morvellan.log\n");
const std::string NothingDone = Written(
    "Would remove 0 entries from 0 files and delete 0 revision files; 0 directories would be left "
    "unchanged.\n");
const std::string NothingDoneLive = Written(
    "Removed 0 entries from 0 files and deleted 0 revision files; 0 directories left "
    "unchanged.\n");

class RunTest : public TRunTest {
 protected:
  std::string NoIgnoreFile() const {
    return "Cannot open .cvsignore from " + IgnoreFile() + Written("\n");
  }
};

TEST_F(RunTest, UsageAndVersionLeaveTheLogAlone) {
  WriteBytes("Morvellan.log", "old log");
  const std::string Version = Written("Morvellan " MORVELLAN_VERSION "\n");
  struct TRow {
    std::vector<std::string> Arguments;
    std::string Expected;
  };
  std::vector<TRow> Rows = {
      {{}, UsageText},
      {{"", ""}, UsageText},
      {{"--help"}, UsageText},
      {{"-f", "-h", PathOf("missing")}, UsageText},
      {{"-?"}, UsageText},
      {{"--version", "--help"}, Version},  // the first informational option decides
  };
  if (SlashOptions) Rows.push_back({{"/?"}, UsageText});
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Arguments));
    TProcessResult Result = Run(Row.Arguments);
    EXPECT_EQ(Row.Expected, Result.StdOut);
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ("", Result.StdErr);
    EXPECT_EQ("old log", Log());
  }
}

TEST_F(RunTest, LogThatCannotBeCreatedStopsTheRun) {
  WriteIgnoreFile("*.obj\r\n");
  MakeDirectories(PathOf("wc"));
  MakeDirectories(PathOf("Morvellan.log"));
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(1, Result.ExitCode);
  const std::string Prefix = "Cannot create log file (";
  EXPECT_EQ(Prefix, Result.StdOut.substr(0, Prefix.size()));
  EXPECT_TRUE(Result.StdOut.ends_with(Written("): Morvellan.log\n"))) << Result.StdOut;
  EXPECT_EQ(1, std::count(Result.StdOut.begin(), Result.StdOut.end(), '\n'));
}

TEST_F(RunTest, OptionAloneFindsNoDirectory) {
  for (const char* Option : {"-f", "-F"}) {
    TProcessResult Result = Run({Option});
    EXPECT_EQ(1, Result.ExitCode);
    EXPECT_EQ(Written("Cannot find directory: \n"), Result.StdOut);
    EXPECT_EQ(Written("Cannot find directory: \n"), Log());
  }
}

TEST_F(RunTest, MissingFolderIsPrintedWithItsTrailingSeparator) {
  std::string Missing = PathOf("missing/");
  TProcessResult Result = Run({Missing + "foo.c"});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_EQ("Cannot find directory: " + Missing + Written("\n"), Result.StdOut);
  EXPECT_EQ(Result.StdOut, Log());
  EXPECT_EQ(Written("Cannot find directory: \n"), Run({"foo.c"}).StdOut);  // no folder is assumed
}

TEST_F(RunTest, ModeLineThenIgnoreFileThenLogLine) {
  MakeDirectories(PathOf("wc"));
  TProcessResult Test = Run({PathOf("wc")});
  EXPECT_EQ(2, Test.ExitCode) << "directory mode without patterns";
  EXPECT_EQ(TestMode + NoIgnoreFile() + NothingDone + LogWritten, Test.StdOut);
  EXPECT_EQ(Test.StdOut, Log());

  WriteIgnoreFile("*.obj\r\n");
  const std::string Unknown = Written(
      "Unknown option ignored: -x\nUnknown option ignored: --f\nUnknown option ignored: -\n");
  for (const std::vector<std::string>& Arguments : {std::vector<std::string>{"-f", PathOf("wc")},
                                                    {PathOf("wc/"), "-F"},
                                                    {"-x", "--f", "-f", "-", PathOf("wc")}}) {
    TProcessResult Live = Run(Arguments);
    EXPECT_EQ(0, Live.ExitCode);
    EXPECT_EQ((Arguments.size() > 2 ? Unknown : "") + LiveMode +
                  ("Ignored files read from: " + IgnoreFile() + Written("\n")) + NothingDoneLive +
                  LogWritten,
              Live.StdOut);
    EXPECT_EQ(Live.StdOut, Log());
  }
}

TEST_F(RunTest, TheLastPathDecides) {
  MakeDirectories(PathOf("wc"));
  // A file path after a directory: single-file mode in an existing folder.
  TProcessResult Result = Run({PathOf("missing"), PathOf("wc")});
  EXPECT_EQ(TestMode + NoIgnoreFile() + NothingDone + LogWritten, Result.StdOut);
  Result = Run({PathOf("wc"), PathOf("missing/x.c")});
  EXPECT_EQ("Cannot find directory: " + PathOf("missing/") + Written("\n"), Result.StdOut);
}

TEST_F(RunTest, EveryRunWithArgumentsReplacesTheLog) {
  MakeDirectories(PathOf("wc"));
  Run({PathOf("wc")});
  std::string First = Log();
  ASSERT_FALSE(First.empty());
  Run({"-f"});
  EXPECT_EQ(Written("Cannot find directory: \n"), Log());
}

TEST_F(RunTest, IgnoreFileThatIsADirectoryCountsAsMissing) {
  MakeDirectories(PathOf("wc"));
  MakeDirectories(IgnoreFile());
  TProcessResult Result = Run({PathOf("wc")});
  std::filesystem::remove(IgnoreFile());
  EXPECT_EQ(TestMode + NoIgnoreFile() + NothingDone + LogWritten, Result.StdOut);
}

}  // namespace
