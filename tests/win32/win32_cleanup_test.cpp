// Cleanup runs that only Windows can set up: system and hidden directories,
// and a revision file that another process holds open.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/file_system.h"
#include "tests/support/run_fixture.h"

namespace {

class Win32CleanupTest : public TRunTest {
 protected:
  void MakeAdmin(const std::string& WorkDir, const std::string& Entries,
                 const std::string& RepositoryPath) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), Entries);
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), ":local:" + PathOf("repo") + "\r\n");
    WriteBytes(PathOf(WorkDir + "/CVS/Repository"), RepositoryPath + "\r\n");
  }
};

TEST_F(Win32CleanupTest, SystemDirectoriesAreNotWalkedHiddenOnesAre) {
  MakeAdmin("wc/hidden", "", "hidden");
  MakeAdmin("wc/system", "", "system");
  MakeAdmin("wc/sys", "", "sys");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/hidden"), AttrHidden | AttrDirectory));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/system"), AttrSystem | AttrDirectory));
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("wc/sys/CVS"), AttrSystem | AttrDirectory));
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_NE(std::string::npos, Result.StdOut.find("Processing: " + PathOf("wc/hidden/CVS")));
  EXPECT_EQ(std::string::npos, Result.StdOut.find("system"));
  EXPECT_EQ(std::string::npos, Result.StdOut.find("sys" + PathSeparator() + "CVS"));
}

TEST_F(Win32CleanupTest, RevisionFileHeldOpenIsReportedAsNotDeleted) {
  WriteIgnoreFile("*.obj\r\n");
  MakeAdmin("wc", "/a.obj/1.1//\r\n", "proj");
  WriteBytes(PathOf("repo/proj/a.obj,v"), "held");
  HANDLE Held = CreateFileA(PathOf("repo/proj/a.obj,v").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, Held);
  TProcessResult Result = Run({"-f", PathOf("wc")});
  CloseHandle(Held);
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Path = PathOf("repo/proj/a.obj,v");
  EXPECT_NE(std::string::npos, Log().find("Delete from repository: " + Path + "\r\n"));
  EXPECT_NE(std::string::npos,
            Result.StdOut.find("Could not delete from repository: " + Path + "\r\n"));
}

}  // namespace
