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
  /// A working directory whose local repository holds no revision file.
  void MakeWorkingCopy(const std::string& Directory, const std::string& Entries = "") {
    WriteBytes(PathOf(Directory + "/CVS/Entries"), Entries);
    WriteBytes(PathOf(Directory + "/CVS/Root"), ":local:" + PathOf("repo") + "\n");
    WriteBytes(PathOf(Directory + "/CVS/Repository"), "proj\n");
    MakeDirectories(PathOf("repo/proj"));
  }
  std::string Processing(const std::string& Directory) const {
    return "Processing: " + PathOf(Directory + "/CVS") + Written("\n");
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

TEST_F(RunTest, RefusedCommandLinesChangeNothing) {
  WriteBytes("Morvellan.log", "old log");
  MakeDirectories(PathOf("wc"));
  const std::string Wc = PathOf("wc");
  struct TRow {
    std::vector<std::string> Arguments;
    std::string Refusal;
  };
  const TRow Rows[] = {
      {{"-f", "--dry-run", Wc}, "Both live and test mode asked for"},
      {{"-n", "-F", Wc}, "Both live and test mode asked for"},
      {{"-x", Wc}, "Unknown option: -x"},
      {{Wc, "--f"}, "Unknown option: --f"},
      {{"-", Wc}, "Unknown option: -"},
      {{Wc, PathOf("other")}, "Only one path may be given: " + PathOf("other")},
      {{"--", Wc, "-f"}, "Only one path may be given: -f"},  // after "--" every argument is a path
      {{"-x", "-y", Wc}, "Unknown option: -x"},              // the first reason is given
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Arguments));
    TProcessResult Result = Run(Row.Arguments);
    EXPECT_EQ(1, Result.ExitCode);
    EXPECT_EQ("", Result.StdOut);
    EXPECT_EQ(Written(Row.Refusal + "\nTry 'Morvellan --help'.\n"), Result.StdErr);
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
  MakeWorkingCopy("wc");
  TProcessResult Test = Run({PathOf("wc")});
  EXPECT_EQ(2, Test.ExitCode) << "directory mode without patterns";
  EXPECT_EQ(TestMode + NoIgnoreFile() + Processing("wc") + NothingDone + LogWritten, Test.StdOut);
  EXPECT_EQ(Test.StdOut, Log());

  WriteIgnoreFile("*.obj\r\n");
  const std::string IgnoreLine = "Ignored files read from: " + IgnoreFile() + Written("\n");
  struct TRow {
    std::vector<std::string> Arguments;
    std::string Console;  ///< what the console shows, the log holding every line
  };
  const TRow Rows[] = {
      {{"-f", PathOf("wc")}, LiveMode + IgnoreLine + Processing("wc") + NothingDoneLive},
      {{PathOf("wc/"), "-F"}, LiveMode + IgnoreLine + Processing("wc") + NothingDoneLive},
      {{"-n", PathOf("wc")}, TestMode + IgnoreLine + Processing("wc") + NothingDone},
      {{"--dry-run", "--", PathOf("wc")}, TestMode + IgnoreLine + Processing("wc") + NothingDone},
      // Quiet keeps the Processing lines off the console, and only there.
      {{"-q", PathOf("wc")}, TestMode + IgnoreLine + NothingDone},
      {{"--quiet", "-f", PathOf("wc")}, LiveMode + IgnoreLine + NothingDoneLive},
      {{"-v", "-q", PathOf("wc")}, TestMode + IgnoreLine + NothingDone},  // the last one counts
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Arguments));
    TProcessResult Result = Run(Row.Arguments);
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ(Row.Console + LogWritten, Result.StdOut);
    const bool Live = Row.Console.starts_with(LiveMode);
    EXPECT_EQ((Live ? LiveMode : TestMode) + IgnoreLine + Processing("wc") +
                  (Live ? NothingDoneLive : NothingDone) + LogWritten,
              Log());
  }
}

TEST_F(RunTest, VerboseShowsEveryLineOfTheLog) {
  WriteIgnoreFile("*.o\n");
  MakeWorkingCopy("wc", "/a.o/1.1//\n/b.c/1.1//\n");
  TProcessResult Result = Run({"--verbose", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(Log(), Result.StdOut);
  EXPECT_NE(std::string::npos,
            Result.StdOut.find("Remove from " + PathOf("wc/CVS/Entries") + ": /a.o/1.1//"));
}

TEST_F(RunTest, PathsThatNameNothingToCleanSaySo) {
  WriteIgnoreFile("*.o\n");
  MakeDirectories(PathOf("plain/sub"));
  TProcessResult Result = Run({PathOf("plain")});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written("No CVS working copy found under: " + PathOf("plain") +
                                       "\nWould remove 0 entries")))
      << Result.StdOut;
  MakeWorkingCopy("wc", "/a.o/1.1//\n");
  Result = Run({PathOf("wc/a.oo")});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_NE(
      std::string::npos,
      Result.StdOut.find(Written("Not known to CVS here: " + PathOf("wc/a.oo") + "\nWould remove")))
      << Result.StdOut;
  EXPECT_EQ(0, Run({PathOf("wc/a.o")}).ExitCode);
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
  MakeWorkingCopy("wc");
  MakeDirectories(IgnoreFile());
  TProcessResult Result = Run({PathOf("wc")});
  std::filesystem::remove(IgnoreFile());
  EXPECT_EQ(TestMode + NoIgnoreFile() + Processing("wc") + NothingDone + LogWritten, Result.StdOut);
}

}  // namespace
