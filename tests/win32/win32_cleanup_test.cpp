// Cleanup runs that only Windows can set up: system and hidden directories,
// a revision file that another process holds open, a tree beyond MAX_PATH.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/raw_file.h"
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
  WriteIgnoreFile("*.obj\r\n");
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
  EXPECT_EQ(2, Result.ExitCode);
  EXPECT_TRUE(Exists(PathOf("repo/proj/a.obj,v")));
  const std::string Path = PathOf("repo/proj/a.obj,v");
  EXPECT_NE(std::string::npos, Log().find("Delete from repository: " + Path + "\r\n"));
  const std::string Reason = SystemErrorText(ERROR_SHARING_VIOLATION);
  EXPECT_NE(std::string::npos, Result.StdOut.find("Could not delete from repository (" + Reason +
                                                  "): " + Path + "\r\n"))
      << Result.StdOut;
  EXPECT_NE(std::string::npos, Result.StdOut.find("and deleted 0 revision files;"));
}

// The "\\?\" form of an ASCII path, which the wide functions take beyond MAX_PATH.
std::wstring LongPath(const std::string& Path) {
  return L"\\\\?\\" + std::wstring(Path.begin(), Path.end());
}

TEST_F(Win32CleanupTest, PartBeyondMaxPathIsNamedAndTheRestIsWalked) {
  MakeAdmin("wc", "", "proj");
  MakeAdmin("wc/near", "", "proj/near");
  std::vector<std::string> Chain{PathOf("wc/near")};
  for (int Depth = 1; Depth <= 6; ++Depth) {
    Chain.push_back(Chain.back() + "\\" + std::string(60, 'x'));
    ASSERT_TRUE(CreateDirectoryW(LongPath(Chain.back()).c_str(), nullptr)) << Depth;
  }
  TProcessResult Result = Run({PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  EXPECT_NE(std::string::npos, Result.StdOut.find("Processing: " + PathOf("wc/near/CVS") + "\r\n"));
  const std::string Unlistable = "Cannot list directory (";
  std::size_t Named = Result.StdOut.find(Unlistable);
  ASSERT_NE(std::string::npos, Named) << Result.StdOut;
  EXPECT_EQ(std::string::npos, Result.StdOut.find(Unlistable, Named + 1));
  const std::string Line = Result.StdOut.substr(Named, Result.StdOut.find("\r\n", Named) - Named);
  EXPECT_NE(std::string::npos, Line.find("): " + Chain[1])) << Line;
  EXPECT_GT(Line.size(), std::size_t{MAX_PATH}) << Line;
  while (Chain.size() > 1) {
    EXPECT_TRUE(RemoveDirectoryW(LongPath(Chain.back()).c_str()));
    Chain.pop_back();
  }
}

}  // namespace
