// Cleanup runs of the built program on working copies with local repositories.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_system.h"
#include "tests/support/line_end.h"
#include "tests/support/run_fixture.h"
#include "tests/support/tree_snapshot.h"

namespace {

const std::string LogWritten = Written("Log file written to Morvellan.log\n");

class CleanupTest : public TRunTest {
 protected:
  /// Makes WorkDir/CVS with Entries, a local Root and Repository.
  void MakeAdmin(const std::string& WorkDir, const std::string& Entries,
                 const std::string& RepositoryPath) {
    MakeAdminWithRoot(WorkDir, Entries, ":local:" + PathOf("repo") + "\r\n", RepositoryPath);
  }
  void MakeAdminWithRoot(const std::string& WorkDir, const std::string& Entries,
                         const std::string& RootText, const std::string& RepositoryPath) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), Entries);
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), RootText);
    WriteBytes(PathOf(WorkDir + "/CVS/Repository"), RepositoryPath + "\n");
  }
  /// Makes revision files (and their working files) for the names.
  void MakeFiles(const std::string& WorkDir, const std::string& RepositoryPath,
                 const std::vector<std::string>& Names) {
    for (const std::string& Name : Names) {
      WriteBytes(PathOf("repo/" + RepositoryPath + "/" + Name + ",v"), "revisions of " + Name);
      WriteBytes(PathOf(WorkDir + "/" + Name), "contents of " + Name);
    }
  }
  /// The repository directory as Morvellan builds it.
  std::string RepositoryDirectory(const std::string& RepositoryPath) {
    return PathOf("repo") + PathSeparator() + RepositoryPath + PathSeparator();
  }
  /// The lines of Morvellan's output, each without its line end, sorted.
  static std::vector<std::string> SortedLines(std::string_view Text) {
    std::vector<std::string> Lines;
    for (std::size_t End; (End = Text.find(LineEnd)) != std::string_view::npos;
         Text.remove_prefix(End + LineEnd.size()))
      Lines.emplace_back(Text.substr(0, End));
    std::sort(Lines.begin(), Lines.end());
    return Lines;
  }
};

const char ProjEntries[] =
    "/foo.obj/1.1/Thu Jan  1 00:00:00 2004//\n"
    "/keep.c/1.2/Thu Jan  1 00:00:00 2004//\n"
    "D/obj////\n"
    "D/src////\n";

TEST_F(CleanupTest, TestModeChangesNothingButTheLog) {
  WriteIgnoreFile("*.OBJ\r\nobj\r\n");
  MakeAdmin("wc", ProjEntries, "proj");
  MakeFiles("wc", "proj", {"foo.obj", "keep.c"});
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  const std::string Admin = PathOf("wc/CVS");
  const std::string Console = Written(
                                  "Test mode.  No CVS files will be changed.\n"
                                  "Ignored files read from: " +
                                  IgnoreFile() + "\nProcessing: " + Admin + "\n") +
                              LogWritten;
  EXPECT_EQ(Console, Result.StdOut);
  EXPECT_EQ("", Result.StdErr);
  const std::string Entries = Admin + PathSeparator() + "Entries";
  EXPECT_EQ(Written("Test mode.  No CVS files will be changed.\n"
                    "Ignored files read from: " +
                    IgnoreFile() + "\nProcessing: " + Admin + "\nRemove from " + Entries +
                    ": /foo.obj/1.1/Thu Jan  1 00:00:00 2004//\n"
                    "Remove from " +
                    Entries + ": D/obj////\nDelete from repository: " +
                    RepositoryDirectory("proj") + "foo.obj,v\n") +
                LogWritten,
            Log());
  EXPECT_EQ(Before, SnapshotTree(Root()));
}

TEST_F(CleanupTest, LiveModeMakesExactlyTheExpectedChanges) {
  WriteIgnoreFile("*.obj\r\nobj\r\n");
  MakeAdmin("wc", ProjEntries, "proj");
  WriteBytes(PathOf("wc/CVS/Entries.Extra"), "/foo.obj////\r\n/keep.c////");
  MakeFiles("wc", "proj", {"foo.obj", "keep.c", "bar.obj"});
  WriteBytes(PathOf("repo/proj/old.obj,v.bak"), "");  // the name before ",v" decides
  WriteBytes(PathOf("repo/proj/dir.obj,v/x"), "");    // directories are never touched
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("repo/proj/bar.obj,v"), AttrReadOnly));
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("", Result.StdErr);

  TTreeSnapshot Expected = Before;
  std::string Perms = Before["wc/CVS/Entries"].substr(0, Before["wc/CVS/Entries"].find(' ', 5));
  // Kept lines come back with the platform's line end, the last one too.
  Expected["wc/CVS/Entries"] =
      Perms + " " + Written("/keep.c/1.2/Thu Jan  1 00:00:00 2004//\nD/src////\n");
  Expected["wc/CVS/Entries.Extra"] = Perms + " " + Written("/keep.c////\n");
  Expected.erase("repo/proj/foo.obj,v");
  Expected.erase("repo/proj/bar.obj,v");
  Expected.erase("repo/proj/old.obj,v.bak");
  EXPECT_EQ(Expected, SnapshotTree(Root()));

  std::vector<std::string> Deleted;
  for (const std::string& Line : SortedLines(Log()))
    if (Line.starts_with("Delete from repository: ")) Deleted.push_back(Line);
  const std::string Dir = RepositoryDirectory("proj");
  EXPECT_EQ((std::vector<std::string>{"Delete from repository: " + Dir + "bar.obj,v",
                                      "Delete from repository: " + Dir + "foo.obj,v",
                                      "Delete from repository: " + Dir + "old.obj,v.bak"}),
            Deleted);
}

TEST_F(CleanupTest, LiveModeRewritesOnlyWhatWouldChange) {
  struct TRow {
    const char* Entries;
    std::string Expected;
  };
  const TRow Rows[] = {
      {"/a.c/1.1//\n/b.c/1.1//",
       Written("/a.c/1.1//\n/b.c/1.1//\n")},  // the last line gets its end
      {"/a.c/1.1//\r\n", Written("/a.c/1.1//\n")},
      {"/a.c/1.1//\n/x.obj/1.1//\n/b.c/1.1//\r\n", Written("/a.c/1.1//\n/b.c/1.1//\n")},
      {"/a.c/1.\r1//\n", Written("/a.c/1.1//\n")},  // a lone CR is dropped
      {"/a.c/1.1//\n\x1A", Written("/a.c/1.1//\n")},
      {"/x.obj/1.1//\n", ""},
  };
  WriteIgnoreFile("*.obj\n");
  for (std::size_t Index = 0; Index < std::size(Rows); ++Index)
    MakeAdmin("wc/" + std::to_string(Index), Rows[Index].Entries, "proj");
  // Already as it would be written, and read-only: left alone without a word,
  // and its revision files go all the same.
  const std::string Same = Written("/a.c/1.1//\nD/sub////\nD\n");
  MakeAdmin("wc/same", Same, "same");
  MakeFiles("wc/same", "same", {"x.obj"});
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/same/CVS/Entries"), AttrReadOnly));

  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(std::string::npos, Result.StdOut.find("Left unchanged")) << Result.StdOut;
  for (std::size_t Index = 0; Index < std::size(Rows); ++Index) {
    SCOPED_TRACE(Rows[Index].Entries);
    const std::string Entries = PathOf("wc/" + std::to_string(Index) + "/CVS/Entries");
    EXPECT_EQ(Rows[Index].Expected, ReadBytes(Entries));
    EXPECT_FALSE(Exists(Entries + ".out"));
  }
  EXPECT_EQ(Same, ReadBytes(PathOf("wc/same/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("wc/same/CVS/Entries.out")));
  EXPECT_FALSE(Exists(PathOf("repo/same/x.obj,v")));
}

TEST_F(CleanupTest, UnmergedEntriesLogLeavesTheDirectoryAlone) {
  WriteIgnoreFile("*.obj\n");
  MakeAdmin("wc", "/a.obj/1.1//\n/b.c/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  WriteBytes(PathOf("wc/CVS/Entries.Log"), "A /a.obj/1.1//\n");
  MakeAdmin("wc/sub", "/c.obj/1.1//\n", "proj/sub");  // its own folder has no Entries.Log
  MakeFiles("wc/sub", "proj/sub", {"c.obj"});
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Test = Run({PathOf("wc")});
  const std::string Line = "Directory left unchanged (CVS has not merged its Entries.Log yet): " +
                           PathOf("wc/CVS/Entries.Log");
  EXPECT_EQ(std::string::npos, Test.StdOut.find(Line));
  const std::string TestLog = Log();

  TProcessResult Live = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Live.ExitCode);
  EXPECT_NE(std::string::npos,
            Live.StdOut.find(Written("Processing: " + PathOf("wc/CVS") + "\n" + Line + "\n")))
      << Live.StdOut;
  // The same record as test mode but for the mode line and that one line.
  std::string LiveLog = Log();
  LiveLog.erase(LiveLog.find(Line), Line.size() + LineEnd.size());
  EXPECT_EQ(TestLog.substr(TestLog.find(LineEnd)), LiveLog.substr(LiveLog.find(LineEnd)));
  TTreeSnapshot Expected = Before;
  Expected.erase("repo/proj/sub/c.obj,v");
  Expected["wc/sub/CVS/Entries"] =
      Before["wc/sub/CVS/Entries"].substr(0, Before["wc/sub/CVS/Entries"].find(' ', 5)) + " ";
  EXPECT_EQ(Expected, SnapshotTree(Root()));
}

TEST_F(CleanupTest, RootAndRepositoryFormsThatCvsWrites) {
  struct TRow {
    const char* Name;
    std::string Root;
    std::string Repository;
    bool Local;
  };
  const TRow Rows[] = {
      {"absolute", ":local:" + PathOf("repo"), PathOf("repo/absolute"), true},
      {"bare", PathOf("repo") + "\n", "bare", BareAbsoluteRootIsLocal},
      {"bare-relative", "repo", "bare-relative", false},
      {"pserver", ":pserver:me@host:" + PathOf("repo"), "pserver", false},
  };
  WriteIgnoreFile("*.obj\n");
  for (const TRow& Row : Rows) {
    MakeAdminWithRoot(std::string("wc/") + Row.Name, "/a.obj/1.1//\n", Row.Root, Row.Repository);
    MakeFiles(std::string("wc/") + Row.Name, Row.Name, {"a.obj"});
  }
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode) << Result.StdErr;
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ("", ReadBytes(PathOf(std::string("wc/") + Row.Name + "/CVS/Entries")));
    EXPECT_EQ(!Row.Local, Exists(PathOf(std::string("repo/") + Row.Name + "/a.obj,v")));
  }
}

TEST_F(CleanupTest, SingleFileModeRemovesOnlyTheNamedFile) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/foo.c/1.1//\r\n/foo.obj/1.1//\r\n/bar.c/1.1//\r\n", "proj");
  MakeFiles("wc", "proj", {"foo.c", "foo.obj", "bar.c"});
  WriteBytes(PathOf("repo/proj/foo.c,v.old"), "");

  TProcessResult Result = Run({"-f", PathOf("wc/Foo.C")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(Written("Live mode selected: CVS files will be modified\n"
                    "Ignored files read from: " +
                    IgnoreFile() + "\nProcessing: " + PathOf("wc/CVS") + "\n") +
                LogWritten,
            Result.StdOut);
  EXPECT_EQ(Written("/foo.obj/1.1//\n/bar.c/1.1//\n"), ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("repo/proj/foo.c,v")));
  EXPECT_FALSE(Exists(PathOf("repo/proj/foo.c,v.old")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/foo.obj,v")));
  EXPECT_TRUE(Exists(PathOf("wc/foo.c")));  // working files are never touched
}

TEST_F(CleanupTest, MissingRootEndsTheRunAfterItsProcessingLine) {
  WriteIgnoreFile("*.obj\r\n");
  WriteBytes(PathOf("wc/CVS/Entries"), "/a.obj/1.1//\r\n");
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(1, Result.ExitCode);
  const std::string Lines = Written(
      "Test mode.  No CVS files will be changed.\n"
      "Ignored files read from: " +
      IgnoreFile() + "\nProcessing: " + PathOf("wc/CVS") + "\n");
  EXPECT_EQ(Lines, Result.StdOut);
  EXPECT_EQ("Exception EFOpenError in module ", Result.StdErr.substr(0, 32));
  const std::string Message = "Cannot open file \"" + PathOf("wc/CVS/Root") + "\". ";
  EXPECT_NE(std::string::npos, Result.StdErr.find(Written(".\n") + Message)) << Result.StdErr;
  const std::string End = Written(".\n\n");
  EXPECT_EQ(End, Result.StdErr.substr(Result.StdErr.size() - End.size()));
  // The log keeps every line up to the failure.
  EXPECT_EQ(Lines + Written("Remove from " + PathOf("wc/CVS/Entries") + ": /a.obj/1.1//\n"), Log());
}

TEST_F(CleanupTest, SingleFileModeWithoutAdministrativeDirectoryFails) {
  MakeDirectory(PathOf("wc"));
  TProcessResult Result = Run({PathOf("wc/x.c")});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written("Processing: " + PathOf("wc/CVS") + "\n")));
  EXPECT_NE(std::string::npos, Result.StdErr.find(PathOf("wc/CVS/Root")));
}

TEST_F(CleanupTest, MalformedPatternEndsTheRunOnlyWhenANameReachesIt) {
  WriteIgnoreFile("*.obj\r\n[\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\r\n", "proj");
  TProcessResult Reached = Run({PathOf("wc")});
  EXPECT_EQ(0, Reached.ExitCode) << "every name stopped at the first pattern";

  MakeAdmin("wc", "/a.obj/1.1//\r\n/b.c/1.1//\r\n", "proj");
  TProcessResult Failed = Run({"-f", PathOf("wc")});
  EXPECT_EQ(1, Failed.ExitCode);
  EXPECT_EQ(Written("'[' is an invalid mask at (2).\n\n"),
            Failed.StdErr.substr(Failed.StdErr.find(LineEnd) + LineEnd.size()));
  EXPECT_EQ("Exception EMaskException in module ", Failed.StdErr.substr(0, 35));
  EXPECT_EQ("/a.obj/1.1//\r\n/b.c/1.1//\r\n", ReadBytes(PathOf("wc/CVS/Entries")));
}

TEST_F(CleanupTest, RemoteRootFiltersEntriesOnly) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdminWithRoot("wc", "/a.obj/1.1//\r\n/b.c/1.1//\r\n", ":pserver:me@host:/cvs\r\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  std::filesystem::remove(PathOf("wc/CVS/Repository"));  // never read for a remote root
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(Written("/b.c/1.1//\n"), ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
}

TEST_F(CleanupTest, ReadOnlyEntriesKeepsTheRepositoryToo) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/CVS/Entries"), AttrReadOnly));
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("/a.obj/1.1//\n", ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Repository = PathOf("repo") + PathSeparator() + "proj";
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written(
                "Left unchanged (read-only): " + PathOf("wc/CVS/Entries") +
                "\nRepository left unchanged (entries not rewritten): " + Repository + "\n")))
      << Result.StdOut;
  EXPECT_NE(std::string::npos,
            Log().find("Delete from repository: " + RepositoryDirectory("proj") + "a.obj,v"));
}

TEST_F(CleanupTest, EntriesWithAnEndOfFileMarkBeforeTheEndAreKept) {
  WriteIgnoreFile("*.obj\r\n");
  const std::string Damaged = "/a.obj/1.1//\r\n\x1A/b.c/1.1//\r\n";
  MakeAdmin("wc", Damaged, "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(Damaged, ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("wc/CVS/Entries.out")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written("Left unchanged (0x1A end-of-file mark before the end): " +
                                       PathOf("wc/CVS/Entries") + "\n")));

  // A last 0x1A loses nothing: the file is rewritten without it.
  MakeAdmin("wc", "/a.obj/1.1//\r\n/b.c/1.1//\r\n\x1A", "proj");
  Run({"-f", PathOf("wc")});
  EXPECT_EQ(Written("/b.c/1.1//\n"), ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("repo/proj/a.obj,v")));
}

TEST_F(CleanupTest, UnwritableCopyLeavesEntriesAsTheyWere) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\n/b.c/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  MakeDirectory(PathOf("wc/CVS/Entries.out"));
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("/a.obj/1.1//\n/b.c/1.1//\n", ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written(
                "Left unchanged (cannot write its new copy): " + PathOf("wc/CVS/Entries") + "\n")));
}

TEST_F(CleanupTest, WalkFindsEveryAdministrativeDirectoryOnce) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\r\n", "proj");
  MakeAdmin("wc/sub", "/b.obj/1.1//\r\n", "proj/sub");
  MakeAdmin("wc/plain/deep", "/c.obj/1.1//\r\n", "proj/plain/deep");  // plain has no CVS folder
  MakeAdmin("wc/.hidden", "/d.obj/1.1//\r\n", "proj/.hidden");
  WriteBytes(PathOf("wc/other/cvs/CVS/Entries"), "");            // lower-case cvs is walked
  WriteBytes(PathOf("wc/CVS/CVS/Entries"), "/never.obj/1.1//");  // never reached
  MakeDirectory(PathOf("wc/empty"));

  TProcessResult Result = Run({PathOf("wc/")});
  ASSERT_EQ(1, Result.ExitCode) << "wc/other/cvs/CVS has no Root: " << Result.StdErr;
  std::filesystem::remove_all(PathOf("wc/other"));
  Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode) << Result.StdErr;
  std::vector<std::string> Processing;
  for (const std::string& Line : SortedLines(Result.StdOut))
    if (Line.starts_with("Processing: ")) Processing.push_back(Line);
  EXPECT_EQ(
      (std::vector<std::string>{
          "Processing: " + PathOf("wc/.hidden/CVS"), "Processing: " + PathOf("wc/CVS"),
          "Processing: " + PathOf("wc/plain/deep/CVS"), "Processing: " + PathOf("wc/sub/CVS")}),
      Processing);
  EXPECT_EQ(std::string::npos, Log().find("never.obj"));
}

TEST_F(CleanupTest, StartDirectoryNamedCvsIsNotProcessed) {
  MakeAdmin("wc", "", "proj");
  TProcessResult Result = Run({PathOf("wc/CVS")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ(std::string::npos, Result.StdOut.find("Processing: "));
}

}  // namespace
