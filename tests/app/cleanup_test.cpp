// Cleanup runs of the built program on working copies with local repositories.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/file_system.h"
#include "tests/support/line_end.h"
#include "tests/support/run_fixture.h"
#include "tests/support/special_files.h"
#include "tests/support/tree_snapshot.h"

namespace {

const std::string LogWritten = Written("Log file written to Morvellan.log\n");
// The system's code for a missing file: ENOENT and ERROR_FILE_NOT_FOUND are both 2.
constexpr int NoSuchFile = 2;

class CleanupTest : public TRunTest {
 protected:
  /// Makes WorkDir/CVS with Entries, a local Root and Repository, and the repository directory.
  void MakeAdmin(const std::string& WorkDir, const std::string& Entries,
                 const std::string& RepositoryPath) {
    MakeAdminWithRoot(WorkDir, Entries, ":local:" + PathOf("repo") + "\r\n", RepositoryPath);
    MakeDirectories(PathOf("repo/" + RepositoryPath));
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
  /// The repository directory as Morvellan builds it, and as it names it in its lines.
  std::string RepositoryDirectory(const std::string& RepositoryPath) {
    return RepositoryNamed(RepositoryPath) + PathSeparator();
  }
  std::string RepositoryNamed(const std::string& RepositoryPath) {
    return PathOf("repo") + PathSeparator() + RepositoryPath;
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
  WriteIgnoreFile("*.obj obj\r\n");
  MakeAdmin("wc", ProjEntries, "proj");
  MakeFiles("wc", "proj", {"foo.obj", "keep.c"});
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  const std::string Admin = PathOf("wc/CVS");
  const std::string Summary = Written(
      "Would remove 1 entry from 1 file and delete 1 revision file; 0 directories would be left "
      "unchanged.\n");
  const std::string Console = Written(
                                  "Test mode.  No CVS files will be changed.\n"
                                  "Ignored files read from: " +
                                  IgnoreFile() + "\nProcessing: " + Admin + "\n") +
                              Summary + LogWritten;
  EXPECT_EQ(Console, Result.StdOut);
  EXPECT_EQ("", Result.StdErr);
  // The directory line D/obj stays: only file lines are removed.
  const std::string Entries = Admin + PathSeparator() + "Entries";
  EXPECT_EQ(Written("Test mode.  No CVS files will be changed.\n"
                    "Ignored files read from: " +
                    IgnoreFile() + "\nProcessing: " + Admin + "\nRemove from " + Entries +
                    ": /foo.obj/1.1/Thu Jan  1 00:00:00 2004//\n"
                    "Delete from repository: " +
                    RepositoryDirectory("proj") + "foo.obj,v\n") +
                Summary + LogWritten,
            Log());
  EXPECT_EQ(Before, SnapshotTree(Root()));
}

TEST_F(CleanupTest, LiveModeMakesExactlyTheExpectedChanges) {
  WriteIgnoreFile("*.obj\r\nobj\r\n");
  MakeAdmin("wc", ProjEntries + std::string("X/bar.obj/kept/by/cvs\n"), "proj");
  WriteBytes(PathOf("wc/CVS/Entries.Extra"), "/foo.obj////\r\n/keep.c////");
  MakeFiles("wc", "proj", {"foo.obj", "keep.c", "bar.obj"});
  WriteBytes(PathOf("repo/proj/old.obj,v.bak"), "");     // the name before ",v" decides
  WriteBytes(PathOf("repo/proj/a.obj,v2.c,v"), "");      // the last ",v": a.obj,v2.c stays
  WriteBytes(PathOf("repo/proj/dir.obj,v/x"), "");       // directories are never touched
  WriteBytes(PathOf("repo/proj/Attic/gone.obj,v"), "");  // Attic is part of the directory
  WriteBytes(PathOf("repo/proj/sub/deeper.obj,v"), "");  // other subfolders are not
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("repo/proj/bar.obj,v"), AttrReadOnly));
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("", Result.StdErr);
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written("Removed 2 entries from 2 files and deleted 4 revision "
                                       "files; 0 directories left unchanged.\n")))
      << Result.StdOut;

  TTreeSnapshot Expected = Before;
  std::string Perms = Before["wc/CVS/Entries"].substr(0, Before["wc/CVS/Entries"].find(' ', 5));
  // Only the removed lines' bytes go; directory lines and lines of unknown kinds stay.
  Expected["wc/CVS/Entries"] = Perms +
                               " /keep.c/1.2/Thu Jan  1 00:00:00 2004//\nD/obj////\nD/src////\n"
                               "X/bar.obj/kept/by/cvs\n";
  Expected["wc/CVS/Entries.Extra"] = Perms + " /keep.c////";
  for (const char* Gone : {"foo.obj,v", "bar.obj,v", "old.obj,v.bak", "Attic/gone.obj,v"})
    Expected.erase(std::string("repo/proj/") + Gone);
  EXPECT_EQ(Expected, SnapshotTree(Root()));

  std::vector<std::string> Deleted;
  for (const std::string& Line : SortedLines(Log()))
    if (Line.starts_with("Delete from repository: ")) Deleted.push_back(Line);
  const std::string Dir = RepositoryDirectory("proj");
  EXPECT_EQ((std::vector<std::string>{
                "Delete from repository: " + Dir + "Attic" + PathSeparator() + "gone.obj,v",
                "Delete from repository: " + Dir + "bar.obj,v",
                "Delete from repository: " + Dir + "foo.obj,v",
                "Delete from repository: " + Dir + "old.obj,v.bak"}),
            Deleted);
}

TEST_F(CleanupTest, LiveModeCutsOutTheRemovedLinesAndKeepsEveryOtherByte) {
  struct TRow {
    const char* Entries;
    const char* Expected;
  };
  const TRow Rows[] = {
      // Nothing removed: never written, whatever its line ends.
      {"/a.c/1.1//\n/b.c/1.1//", "/a.c/1.1//\n/b.c/1.1//"},
      {"/a.c/1.1//\r\n", "/a.c/1.1//\r\n"},
      {"/a.c/1.\r1//\n\x1A", "/a.c/1.\r1//\n\x1A"},
      {"D/x.obj////\nD\nX/x.obj/\n", "D/x.obj////\nD\nX/x.obj/\n"},  // only file lines go
      // Kept lines keep their own ends, lone CRs and a last 0x1A.
      {"/a.c/1.1//\n/x.obj/1.1//\n/b.c/1.1//\r\n", "/a.c/1.1//\n/b.c/1.1//\r\n"},
      {"/a.c/1.\r1//\r\n/x.obj//\r\n/b.c//\x1A", "/a.c/1.\r1//\r\n/b.c//\x1A"},
      {"/a.c//\n/x.obj//", "/a.c//\n"},
      {"/x.obj/1.\r1//\n/y.obj//\r\n", ""},
  };
  WriteIgnoreFile("*.obj\n");
  for (std::size_t Index = 0; Index < std::size(Rows); ++Index)
    MakeAdmin("wc/" + std::to_string(Index), Rows[Index].Entries, "proj");
  // Left alone without a word although read-only, and its revision files go all the same.
  const std::string Same = "/a.c/1.1//\nD/sub////\nD\n";
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

// The test-mode log with the words of live mode: the mode line and the summary's wording.
std::string AsLiveLog(std::string Log) {
  const std::pair<std::string, std::string> Words[] = {
      {"Test mode.  No CVS files will be changed.",
       "Live mode selected: CVS files will be modified"},
      {"Would remove ", "Removed "},
      {" and delete ", " and deleted "},
      {" would be left unchanged.", " left unchanged."}};
  for (const auto& [From, To] : Words) Log.replace(Log.find(From), From.size(), To);
  return Log;
}

TEST_F(CleanupTest, TestModePredictsLiveModeLineForLine) {
  WriteIgnoreFile("*.obj\n");
  // Unmerged Entries.Log: an "A" line would bring the entry back after its revision file is gone.
  MakeAdmin("wc", "/a.obj/1.1//\n/b.c/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  WriteBytes(PathOf("wc/CVS/Entries.Log"), "A /a.obj/1.1//\nA D/sub////\n");
  MakeAdmin("wc/sub", "/c.obj/1.1//\n", "proj/sub");
  MakeFiles("wc/sub", "proj/sub", {"c.obj"});
  // What every fresh client/server checkout leaves: directory lines only.
  WriteBytes(PathOf("wc/sub/CVS/Entries.Log"), "A D/deeper////\nR /c.obj/1.1//\nA /b.c/1.1//\n");
  MakeAdmin("wc/ro", "/d.obj/1.1//\n", "proj/ro");
  MakeFiles("wc/ro", "proj/ro", {"d.obj"});
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/ro/CVS/Entries"), AttrReadOnly));
  MakeAdmin("wc/gone", "/e.obj/1.1//\n", "proj/gone");
  std::filesystem::remove(PathOf("repo/proj/gone"));  // no repository directory
  MakeAdminWithRoot("wc/remote", "/f.obj/1.1//\n", ":ext:me@host:/cvs\n", "proj/remote");
  MakeAdmin("wc/outside", "/g.obj/1.1//\n", "../other");
  MakeFiles("wc/outside", "../other", {"g.obj"});
  TTreeSnapshot Before = SnapshotTree(Root());

  TProcessResult Test = Run({PathOf("wc")});
  EXPECT_EQ(2, Test.ExitCode);
  EXPECT_EQ(Before, SnapshotTree(Root()));
  const std::string TestLog = Log();
  TProcessResult Live = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Live.ExitCode);
  EXPECT_EQ(AsLiveLog(TestLog), Log());

  const std::string Said = Live.StdOut;
  for (const std::string& Line :
       {"Directory left unchanged (CVS has not merged its Entries.Log yet; run cvs update there "
        "first): " +
            PathOf("wc/CVS/Entries.Log"),
        "Left unchanged (read-only): " + PathOf("wc/ro/CVS/Entries"),
        "Repository left unchanged (entries not rewritten): " + RepositoryNamed("proj/ro"),
        "Directory left unchanged (cannot lock the repository (" + SystemErrorText(NoSuchFile) +
            ")): " + RepositoryNamed("proj/gone"),
        std::string("Repository not local, its directories are left unchanged: :ext:me@host:/cvs"),
        "Directory left unchanged (repository outside its root): " + RepositoryNamed("../other"),
        std::string("Removed 1 entry from 1 file and deleted 1 revision file; 5 directories left "
                    "unchanged.")})
    EXPECT_NE(std::string::npos, Said.find(Written(Line + "\n"))) << Line << "\n" << Said;
  // A directory left unchanged for a reason known beforehand lists nothing it did not do.
  for (const char* Name : {"a.obj", "d.obj", "e.obj", "f.obj", "g.obj"})
    EXPECT_EQ(std::string::npos, Log().find(Name)) << Name;
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
    bool Cleaned;
  };
  const std::string Sep = PathSeparator();
  const TRow Rows[] = {
      {"absolute", ":local:" + PathOf("repo"), PathOf("repo/absolute"), true},
      {"fork", ":fork:" + PathOf("repo"), "fork", true},
      {"upper", ":LOCAL:" + PathOf("repo"), "upper", true},  // methods in any case of letters
      {"dotted", ":local:" + PathOf("repo") + Sep + "." + Sep, "." + Sep + "dotted" + Sep, true},
      {"bare", PathOf("repo") + "\n", "bare", BareAbsoluteRootIsLocal},
      {"bare-relative", "repo", "bare-relative", false},
      {"pserver", ":pserver:me@host:" + PathOf("repo"), "pserver", false},
      // Only inside its root: CVS refuses ".." and a repository elsewhere.
      {"climbs", ":local:" + PathOf("repo/sub"), "../climbs", false},
      {"elsewhere", ":local:" + PathOf("repo/sub"), PathOf("repo/elsewhere"), false},
      {"CVSROOT", ":local:" + PathOf("repo"), "CVSROOT", false},  // CVS's own files
  };
  WriteIgnoreFile("*.obj\n");
  for (const TRow& Row : Rows) {
    MakeAdminWithRoot(std::string("wc/") + Row.Name, "/a.obj/1.1//\n", Row.Root, Row.Repository);
    MakeFiles(std::string("wc/") + Row.Name, Row.Name, {"a.obj"});
  }
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ(Row.Cleaned ? "" : "/a.obj/1.1//\n",
              ReadBytes(PathOf(std::string("wc/") + Row.Name + "/CVS/Entries")));
    EXPECT_EQ(!Row.Cleaned, Exists(PathOf(std::string("repo/") + Row.Name + "/a.obj,v")));
  }
  EXPECT_NE(std::string::npos,
            Result.StdOut.find("Directory left unchanged (the repository's CVSROOT): " +
                               RepositoryNamed("CVSROOT")));
}

TEST_F(CleanupTest, SingleFileModeRemovesOnlyTheNamedFile) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/foo.c/1.1//\r\n/foo.obj/1.1//\r\n/bar.c/1.1//\r\n", "proj");
  MakeFiles("wc", "proj", {"foo.c", "foo.obj", "bar.c"});
  WriteBytes(PathOf("repo/proj/foo.c,v.old"), "");

  // On POSIX, as for CVS there, Foo.C names another file, which CVS does not know.
  TProcessResult Other = Run({"-f", PathOf("wc/Foo.C")});
  EXPECT_EQ(NamesIgnoreCase ? 0 : 1, Other.ExitCode);
  EXPECT_EQ(NamesIgnoreCase, !Exists(PathOf("repo/proj/foo.c,v")));
  if (!NamesIgnoreCase) Run({"-F", PathOf("wc/foo.c")});
  const std::string Line = Written(
      "Live mode selected: CVS files will be modified\n"
      "Ignored files read from: " +
      IgnoreFile() + "\nProcessing: " + PathOf("wc/CVS") +
      "\nRemoved 1 entry from 1 file and deleted 2 revision files; 0 directories left "
      "unchanged.\n");
  EXPECT_EQ(Line + LogWritten, NamesIgnoreCase ? Other.StdOut : Line + LogWritten);
  EXPECT_EQ("/foo.obj/1.1//\r\n/bar.c/1.1//\r\n", ReadBytes(PathOf("wc/CVS/Entries")));
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
  // Root is read before anything of the directory is logged; the log keeps every line up to it.
  EXPECT_EQ(Lines, Log());
}

TEST_F(CleanupTest, SingleFileModeWithoutAdministrativeDirectoryFails) {
  MakeDirectories(PathOf("wc"));
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

TEST_F(CleanupTest, RemoteRootLeavesItsDirectoriesUnchangedAndSaysSoOnce) {
  WriteIgnoreFile("*.obj\r\n");
  const std::string Remote = ":pserver:me@host:/cvs";
  MakeAdminWithRoot("wc", "/a.obj/1.1//\r\n/b.c/1.1//\r\n", Remote + "\r\n", "proj");
  MakeAdminWithRoot("wc/sub", "/c.obj/1.1//\n", Remote + "\n", "proj/sub");
  MakeAdminWithRoot("wc/clean", "/c.c/1.1//\n", Remote + "\n", "proj/clean");
  MakeFiles("wc", "proj", {"a.obj"});
  std::filesystem::remove(PathOf("wc/CVS/Repository"));  // never read for a remote root
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode);
  EXPECT_EQ("/a.obj/1.1//\r\n/b.c/1.1//\r\n", ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_EQ("/c.obj/1.1//\n", ReadBytes(PathOf("wc/sub/CVS/Entries")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Said = "Repository not local, its directories are left unchanged: " + Remote;
  const std::size_t First = Result.StdOut.find(Said);
  EXPECT_NE(std::string::npos, First) << Result.StdOut;
  EXPECT_EQ(std::string::npos, Result.StdOut.find(Said, First + 1)) << Result.StdOut;
  // The directory with nothing to remove does not count.
  EXPECT_NE(std::string::npos, Result.StdOut.find("; 2 directories left unchanged."));
}

TEST_F(CleanupTest, EntriesWithAnEndOfFileMarkBeforeTheEndAreKept) {
  WriteIgnoreFile("*.obj\r\n");
  const std::string Damaged = "/a.obj/1.1//\r\n\x1A/b.c/1.1//\r\n";
  MakeAdmin("wc", Damaged, "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode);
  EXPECT_EQ(Damaged, ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("wc/CVS/Entries.out")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written("Left unchanged (0x1A end-of-file mark before the end): " +
                                       PathOf("wc/CVS/Entries") + "\n")));

  // A last 0x1A loses nothing: the file is rewritten, and keeps it.
  MakeAdmin("wc", "/a.obj/1.1//\r\n/b.c/1.1//\r\n\x1A", "proj");
  EXPECT_EQ(0, Run({"-f", PathOf("wc")}).ExitCode);
  EXPECT_EQ("/b.c/1.1//\r\n\x1A", ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("repo/proj/a.obj,v")));
}

TEST_F(CleanupTest, UnwritableCopyLeavesEntriesAsTheyWere) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\n/b.c/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"a.obj"});
  MakeDirectories(PathOf("wc/CVS/Entries.out"));
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode);
  EXPECT_EQ("/a.obj/1.1//\n/b.c/1.1//\n", ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  EXPECT_NE(std::string::npos,
            Result.StdOut.find(Written(
                "Left unchanged (cannot write its new copy): " + PathOf("wc/CVS/Entries") +
                "\nRepository left unchanged (entries not rewritten): " + RepositoryNamed("proj") +
                "\n")));
}

TEST_F(CleanupTest, WalkFindsEveryAdministrativeDirectoryOnce) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\r\n", "proj");
  MakeAdmin("wc/sub", "/b.obj/1.1//\r\n", "proj/sub");
  MakeAdmin("wc/plain/deep", "/c.obj/1.1//\r\n", "proj/plain/deep");  // plain has no CVS folder
  MakeAdmin("wc/.hidden", "/d.obj/1.1//\r\n", "proj/.hidden");
  WriteBytes(PathOf("wc/other/cvs/CVS/Entries"), "");            // lower-case cvs is walked
  WriteBytes(PathOf("wc/CVS/CVS/Entries"), "/never.obj/1.1//");  // never reached
  MakeDirectories(PathOf("wc/empty"));

  TProcessResult Result = Run({PathOf("wc/")});
  ASSERT_EQ(1, Result.ExitCode) << "wc/other/cvs/CVS has no Root: " << Result.StdErr;
  MakeFiles("wc", "proj", {"a.obj"});
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
  WriteIgnoreFile("*.obj\n");
  MakeAdmin("wc", "", "proj");
  TProcessResult Result = Run({PathOf("wc/CVS")});
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_EQ(std::string::npos, Result.StdOut.find("Processing: "));
}

// Trees that work against the run: whatever the run meets, it never waits for ever, never writes
// through a link it did not make, never reads without bound, and leaves what it refuses as it was.
TEST_F(CleanupTest, HostileTreesAreRefusedAndLeftAsTheyWere) {
  WriteIgnoreFile("*.o\n");
  const std::string Entries = PathOf("wc/CVS/Entries");
  const std::string Kept = "/x.o/1.1//\n/y.c/1.1//\n";
  struct TRow {
    const char* Name;
    std::function<bool()> Plant;  ///< false where the system cannot make it
    int Status;
    std::string Said;  ///< a line of the console or of standard error
    std::function<void()> Check;
  };
  const std::vector<TRow> Rows = {
      {"FIFO as Entries", [&] { return std::filesystem::remove(Entries) && MakeFifo(Entries); }, 2,
       "Left unchanged (not a regular file): " + Entries, [] {}},
      {"FIFO as Root",
       [&] {
         return std::filesystem::remove(PathOf("wc/CVS/Root")) && MakeFifo(PathOf("wc/CVS/Root"));
       },
       1, "Cannot open file \"" + PathOf("wc/CVS/Root") + "\". Not a regular file.", [] {}},
      // CVS finds no entries in a directory: the revision files go all the same.
      {"a directory named Entries",
       [&] {
         std::filesystem::remove(Entries);
         WriteBytes(Entries + "/x.o", Kept);
         return true;
       },
       0,
       "Removed 0 entries from 0 files and deleted 1 revision file; 0 directories left unchanged.",
       [&] {
         EXPECT_EQ(Kept, ReadBytes(Entries + "/x.o"));
         EXPECT_FALSE(Exists(PathOf("repo/proj/x.o,v")));
       }},
      {"a line longer than 32 MiB",
       [&] {
         // A hole reads as NUL bytes, ordinary line bytes: a 33 MiB line for free.
         std::filesystem::resize_file(Entries, (std::uintmax_t{33} << 20) + Kept.size());
         return true;
       },
       2, "Left unchanged (a line longer than 32 MiB): " + Entries, [] {}},
      {"Entries.out planted as a link",
       [&] { return MakeLink(PathOf("victim"), Entries + ".out"); }, 0,
       "Removed 1 entry from 1 file and deleted 1 revision file; 0 directories left unchanged.",
       [&] {
         EXPECT_EQ("/y.c/1.1//\n", ReadBytes(Entries));
         EXPECT_FALSE(Exists(Entries + ".out"));
       }},
      {"Morvellan.log planted as a link",
       [&] { return MakeLink(PathOf("victim"), PathOf("Morvellan.log")); }, 0,
       "Log file written to Morvellan.log",
       [&] {
         EXPECT_NE(std::string::npos, ReadBytes(PathOf("Morvellan.log")).find("Processing: "));
       }},
      // An Attic leading into another repository is not entered; a revision file that is a link is
      // deleted as a link.
      {"Attic planted as a link",
       [&] {
         WriteBytes(PathOf("other/x.o,v"), "another repository's");
         return MakeLink(PathOf("other"), PathOf("repo/proj/Attic"));
       },
       0, "Not entered (link): " + PathOf("repo/proj/Attic"),
       [&] { EXPECT_EQ("another repository's", ReadBytes(PathOf("other/x.o,v"))); }},
      {"revision file planted as a link",
       [&] {
         std::filesystem::remove(PathOf("repo/proj/x.o,v"));
         return MakeLink(PathOf("victim"), PathOf("repo/proj/x.o,v"));
       },
       0, "Removed 1 entry from 1 file and deleted 1 revision file; 0 directories left unchanged.",
       [&] { EXPECT_FALSE(Exists(PathOf("repo/proj/x.o,v"))); }},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    for (const char* Tree : {"wc", "repo", "other"}) RemoveTree(PathOf(Tree));
    std::filesystem::remove(PathOf("Morvellan.log"));
    MakeAdmin("wc", Kept, "proj");
    MakeFiles("wc", "proj", {"x.o"});
    WriteBytes(PathOf("victim"), "not Morvellan's");
    if (!Row.Plant()) continue;
    const TTreeSnapshot Before = SnapshotTree(PathOf("wc"));
    TProcessResult Result = Run({"-f", PathOf("wc")});
    EXPECT_EQ(Row.Status, Result.ExitCode);
    EXPECT_NE(std::string::npos, (Result.StdOut + Result.StdErr).find(Written(Row.Said + "\n")))
        << Result.StdOut << Result.StdErr;
    EXPECT_EQ("not Morvellan's", ReadBytes(PathOf("victim")));
    if (Row.Status != 0) {
      EXPECT_EQ(Before, SnapshotTree(PathOf("wc")));
      EXPECT_TRUE(Exists(PathOf("repo/proj/x.o,v")));
    }
    Row.Check();
  }
}

TEST_F(CleanupTest, LockDirThatDoesNotExistIsNamed) {
  WriteIgnoreFile("*.o\n");
  MakeAdmin("wc", "/x.o/1.1//\n", "proj");
  MakeFiles("wc", "proj", {"x.o"});
  WriteBytes(PathOf("repo/CVSROOT/config"), "LockDir=" + PathOf("locks") + "\n");
  const TTreeSnapshot Before = SnapshotTree(Root());
  for (const char* Mode : {"-n", "-f"}) {
    TProcessResult Result = Run({Mode, PathOf("wc")});
    EXPECT_EQ(2, Result.ExitCode);
    EXPECT_NE(std::string::npos,
              Result.StdOut.find(Written("Directory left unchanged (cannot lock the repository "
                                         "(LockDir " +
                                         PathOf("locks") + ": " + SystemErrorText(NoSuchFile) +
                                         ")): " + RepositoryNamed("proj") + "\n")))
        << Result.StdOut;
  }
  EXPECT_EQ(Before, SnapshotTree(Root()));
}

}  // namespace
