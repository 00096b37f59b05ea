// Runs of the built program: the usage text, the command line, the log.
#include <gtest/gtest.h>

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

class RunTest : public TRunTest {
 protected:
  std::string NoIgnoreFile() const {
    return "Cannot open .cvsignore from " + IgnoreFile() + Written("\n");
  }
};

TEST_F(RunTest, WithoutArgumentsPrintsUsageAndLeavesTheLogAlone) {
  WriteBytes("Morvellan.log", "old log");
  for (const std::vector<std::string>& Arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"", ""}}) {
    TProcessResult Result = Run(Arguments);
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ(UsageText, Result.StdOut);
    EXPECT_EQ("", Result.StdErr);
    EXPECT_EQ("old log", Log());
  }
}

TEST_F(RunTest, OptionAloneFindsNoDirectory) {
  for (const char* Option : {"-f", "-F"}) {
    TProcessResult Result = Run({Option});
    EXPECT_EQ(0, Result.ExitCode);
    EXPECT_EQ(Written("Cannot find directory: \n"), Result.StdOut);
    EXPECT_EQ(Written("Cannot find directory: \n"), Log());
  }
}

TEST_F(RunTest, MissingFolderIsPrintedWithItsTrailingSeparator) {
  std::string Missing = PathOf("missing/");
  TProcessResult Result = Run({Missing + "foo.c"});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("Cannot find directory: " + Missing + Written("\n"), Result.StdOut);
  EXPECT_EQ(Result.StdOut, Log());
  EXPECT_EQ(Written("Cannot find directory: \n"), Run({"foo.c"}).StdOut);  // no folder is assumed
}

TEST_F(RunTest, ModeLineThenIgnoreFileThenLogLine) {
  MakeDirectory(PathOf("wc"));
  TProcessResult Test = Run({PathOf("wc")});
  EXPECT_EQ(0, Test.ExitCode);
  EXPECT_EQ(TestMode + NoIgnoreFile() + LogWritten, Test.StdOut);
  EXPECT_EQ(Test.StdOut, Log());

  WriteIgnoreFile("*.obj\r\n");
  for (const std::vector<std::string>& Arguments : {std::vector<std::string>{"-f", PathOf("wc")},
                                                    {PathOf("wc/"), "-F"},
                                                    {"-x", "--f", "-f", "-", PathOf("wc")}}) {
    TProcessResult Live = Run(Arguments);
    EXPECT_EQ(0, Live.ExitCode);
    EXPECT_EQ(LiveMode + ("Ignored files read from: " + IgnoreFile() + Written("\n")) + LogWritten,
              Live.StdOut);
    EXPECT_EQ(Live.StdOut, Log());
  }
}

TEST_F(RunTest, TheLastPathDecides) {
  MakeDirectory(PathOf("wc"));
  // A file path after a directory: single-file mode in an existing folder.
  TProcessResult Result = Run({PathOf("missing"), PathOf("wc")});
  EXPECT_EQ(TestMode + NoIgnoreFile() + LogWritten, Result.StdOut);
  Result = Run({PathOf("wc"), PathOf("missing/x.c")});
  EXPECT_EQ("Cannot find directory: " + PathOf("missing/") + Written("\n"), Result.StdOut);
}

TEST_F(RunTest, EveryRunWithArgumentsReplacesTheLog) {
  MakeDirectory(PathOf("wc"));
  Run({PathOf("wc")});
  std::string First = Log();
  ASSERT_FALSE(First.empty());
  Run({"-f"});
  EXPECT_EQ(Written("Cannot find directory: \n"), Log());
}

TEST_F(RunTest, IgnoreFileThatIsADirectoryCountsAsMissing) {
  MakeDirectory(PathOf("wc"));
  MakeDirectory(IgnoreFile());
  TProcessResult Result = Run({PathOf("wc")});
  std::filesystem::remove(IgnoreFile());
  EXPECT_EQ(TestMode + NoIgnoreFile() + LogWritten, Result.StdOut);
}

}  // namespace
