// Runs where the system itself refuses access: permission bits that only a user other than root
// is stopped by. Run as root, these tests skip themselves; tools/test-unprivileged.sh runs them.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/line_end.h"
#include "tests/support/run_fixture.h"

namespace {

class RefusalTest : public TRunTest {
 protected:
  void SetUp() override {
    if (geteuid() == 0) GTEST_SKIP() << "root is not stopped by permission bits";
    TRunTest::SetUp();
  }
  void TearDown() override {
    if (geteuid() == 0) return;
    // Give every refused path its access back, or the fixture cannot remove the tree.
    for (auto Item = Restricted.rbegin(); Item != Restricted.rend(); ++Item)
      chmod(Item->first.c_str(), Item->second);
    TRunTest::TearDown();
  }

  /// Sets the permission bits of Path and gives them back after the test.
  void Restrict(const std::string& Path, mode_t Mode) {
    struct stat Info;
    ASSERT_EQ(0, stat(Path.c_str(), &Info)) << Path;
    ASSERT_EQ(0, chmod(Path.c_str(), Mode)) << Path;
    Restricted.emplace_back(Path, Info.st_mode & 07777);
  }
  /// Makes WorkDir/CVS with Entries, a local root and Repository.
  void MakeAdmin(const std::string& WorkDir, const std::string& Entries,
                 const std::string& RepositoryPath) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), Entries);
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), ":local:" + PathOf("repo") + "\n");
    WriteBytes(PathOf(WorkDir + "/CVS/Repository"), RepositoryPath + "\n");
  }
  static std::string Line(const std::string& Text) { return Written(Text + "\n"); }
  static std::string CannotList(const std::string& Directory) {
    return Line("Cannot list directory (" + std::string(std::strerror(EACCES)) + "): " + Directory);
  }

 private:
  std::vector<std::pair<std::string, mode_t>> Restricted;
};

TEST_F(RefusalTest, UnreadableIgnoreFileEndsTheRun) {
  WriteIgnoreFile("*.obj\n");
  MakeAdmin("wc", "/a.obj/1.1//\n", "proj");
  Restrict(IgnoreFile(), 0);
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(1, Result.ExitCode);
  const std::string Lines = Line("Test mode.  No CVS files will be changed.") +
                            Line("Ignored files read from: " + IgnoreFile());
  EXPECT_EQ(Lines, Result.StdOut);
  EXPECT_EQ(Lines, Log());
  EXPECT_EQ("Exception EFOpenError in module ", Result.StdErr.substr(0, 32));
  EXPECT_NE(std::string::npos, Result.StdErr.find("Cannot open file \"" + IgnoreFile() + "\". " +
                                                  std::strerror(EACCES)))
      << Result.StdErr;
}

TEST_F(RefusalTest, UnreadableWorkingDirectoryIsNamedAndTheRestIsWalked) {
  WriteIgnoreFile("*.obj\n");
  MakeAdmin("wc", "/a.obj/1.1//\n", "proj");
  MakeAdmin("wc/secret", "/b.obj/1.1//\n", "proj/secret");
  MakeAdmin("wc/open", "/c.obj/1.1//\n", "proj/open");
  Restrict(PathOf("wc/secret"), 0);
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  const std::string Refused = CannotList(PathOf("wc/secret/"));
  EXPECT_NE(std::string::npos, Result.StdOut.find(Refused)) << Result.StdOut;
  EXPECT_NE(std::string::npos, Log().find(Refused)) << Log();
  EXPECT_NE(std::string::npos, Result.StdOut.find(Line("Processing: " + PathOf("wc/CVS"))));
  EXPECT_NE(std::string::npos, Result.StdOut.find(Line("Processing: " + PathOf("wc/open/CVS"))));
  EXPECT_TRUE(Result.StdOut.ends_with(Line("Log file written to Morvellan.log")));
  EXPECT_EQ(std::string::npos, Log().find("b.obj"));
}

TEST_F(RefusalTest, ReadOnlyAdministrativeFolderKeepsEntriesAndRevisionFiles) {
  WriteIgnoreFile("*.obj\n");
  const std::string Entries = "/a.obj/1.1//\r\n/b.c/1.1//\n";
  MakeAdmin("wc", Entries, "proj");
  WriteBytes(PathOf("repo/proj/a.obj,v"), "revisions of a.obj");
  Restrict(PathOf("wc/CVS"), 0555);
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  EXPECT_EQ(Entries, ReadBytes(PathOf("wc/CVS/Entries")));
  EXPECT_FALSE(Exists(PathOf("wc/CVS/Entries.out")));
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Kept =
      Line("Left unchanged (cannot write its new copy): " + PathOf("wc/CVS/Entries")) +
      Line("Repository left unchanged (entries not rewritten): " + PathOf("repo/proj"));
  EXPECT_NE(std::string::npos, Result.StdOut.find(Kept)) << Result.StdOut;
  EXPECT_EQ(std::string::npos, Log().find("Delete from repository: ")) << Log();
}

TEST_F(RefusalTest, UnreadableRepositoryDirectoryIsNamed) {
  WriteIgnoreFile("*.obj\n");
  MakeAdmin("wc", "/b.c/1.1//\n", "proj");
  WriteBytes(PathOf("repo/proj/a.obj,v"), "revisions of a.obj");
  Restrict(PathOf("repo/proj"), 0333);
  TProcessResult Result = Run({"-f", PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  const std::string Refused = CannotList(PathOf("repo/proj/"));
  EXPECT_NE(std::string::npos, Result.StdOut.find(Refused)) << Result.StdOut;
  EXPECT_NE(std::string::npos, Log().find(Refused)) << Log();
  EXPECT_TRUE(Result.StdOut.ends_with(Line("Log file written to Morvellan.log")));
}

TEST_F(RefusalTest, RepositoryWhereNothingCanBeDeletedLeavesTheDirectoryUnchanged) {
  WriteIgnoreFile("*.obj\n");
  const std::string Entries = "/a.obj/1.1//\n/b.c/1.1//\n";
  MakeAdmin("wc", Entries, "proj");
  WriteBytes(PathOf("repo/proj/a.obj,v"), "revisions of a.obj");
  // The lock lives elsewhere and can be had; the revision file could not be deleted.
  MakeDirectories(PathOf("locks"));
  WriteBytes(PathOf("repo/CVSROOT/config"), "LockDir=" + PathOf("locks") + "\n");
  Restrict(PathOf("repo/proj"), 0555);
  for (const char* Mode : {"-n", "-f"}) {
    TProcessResult Result = Run({Mode, PathOf("wc")});
    EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
    EXPECT_NE(
        std::string::npos,
        Result.StdOut.find(Line("Directory left unchanged (cannot delete in the repository (" +
                                std::string(std::strerror(EACCES)) + ")): " + PathOf("repo/proj"))))
        << Result.StdOut;
    EXPECT_EQ(Entries, ReadBytes(PathOf("wc/CVS/Entries")));
  }
}

}  // namespace
