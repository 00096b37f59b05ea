// Cleanup runs that only POSIX sets up here: symbolic links, a bind mount that
// leads back up the walk, trees deeper than the system's path limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/raw_file.h"
#include "tests/support/run_fixture.h"

namespace {

class PosixCleanupTest : public TRunTest {
 protected:
  void MakeAdmin(const std::string& WorkDir) {
    WriteBytes(PathOf(WorkDir + "/CVS/Entries"), "");
    WriteBytes(PathOf(WorkDir + "/CVS/Root"), ":pserver:host:/cvs\n");
  }
  static int Count(const std::string& Text, const std::string& Part) {
    int Found = 0;
    for (std::size_t Pos = Text.find(Part); Pos != std::string::npos;
         Pos = Text.find(Part, Pos + 1))
      ++Found;
    return Found;
  }
};

TEST_F(PosixCleanupTest, LinksAreNotEnteredButTheStartMayBeOne) {
  WriteIgnoreFile("*.o\n");
  MakeAdmin("wc");
  MakeAdmin("wc/sub");
  MakeAdmin("elsewhere");
  MakeDirectories(PathOf("wc/linked"));
  std::filesystem::create_directory_symlink(PathOf("wc"), PathOf("wc/sub/up"));
  std::filesystem::create_directory_symlink(PathOf("elsewhere"), PathOf("wc/there"));
  std::filesystem::create_directory_symlink(PathOf("elsewhere/CVS"), PathOf("wc/linked/CVS"));
  std::filesystem::create_symlink(PathOf("wc/CVS/Entries"), PathOf("wc/file"));  // no line
  std::filesystem::create_symlink(PathOf("missing"), PathOf("wc/dangling"));     // no line
  std::filesystem::create_directory_symlink(PathOf("wc"), PathOf("start"));
  TProcessResult Result = RunBothWays({PathOf("start")});
  EXPECT_EQ(0, Result.ExitCode) << Result.StdOut;
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("start/CVS") + "\n"));
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("start/sub/CVS") + "\n"));
  EXPECT_EQ(2, Count(Result.StdOut, "Processing: "));
  for (const char* Link : {"start/sub/up", "start/there", "start/linked/CVS"})
    EXPECT_EQ(1, Count(Result.StdOut, "Not entered (link): " + PathOf(Link) + "\n")) << Link;
  EXPECT_EQ(3, Count(Result.StdOut, "Not entered (link): "));
}

TEST_F(PosixCleanupTest, BindMountBackUpTheTreeEndsTheDescent) {
  WriteIgnoreFile("*.o\n");
  MakeAdmin("wc");
  MakeAdmin("wc/sub");
  MakeDirectories(PathOf("wc/sub/up"));
  if (mount(PathOf("wc").c_str(), PathOf("wc/sub/up").c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "no bind mounts here: " << std::strerror(errno);
  TProcessResult Result = Run({PathOf("wc")});
  umount(PathOf("wc/sub/up").c_str());
  EXPECT_EQ(0, Result.ExitCode) << Result.StdOut;
  EXPECT_EQ(2, Count(Result.StdOut, "Processing: ")) << Result.StdOut;
}

// Creates Name in the directory Fd and opens it.
int MakeDirectoryAt(int Fd, const char* Name) {
  EXPECT_EQ(0, mkdirat(Fd, Name, 0755)) << Name;
  return openat(Fd, Name, O_RDONLY | O_DIRECTORY);
}

void WriteFileAt(int Fd, const char* Name, std::string_view Bytes) {
  int File = openat(Fd, Name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(File, 0) << Name;
  ASSERT_EQ(static_cast<ssize_t>(Bytes.size()), write(File, Bytes.data(), Bytes.size()));
  close(File);
}

TEST_F(PosixCleanupTest, PartBeyondThePathLimitIsNamedAndTheRestIsWalked) {
  MakeAdmin("wc");
  const std::string Level(60, 'x');
  constexpr int Levels = 80;  // about 4,900 bytes of path, beyond Linux's 4,096
  const int Top = open(PathOf("wc").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(Top, 0);
  std::vector<int> Chain{Top};
  for (int Depth = 1; Depth <= Levels; ++Depth) {
    Chain.push_back(MakeDirectoryAt(Chain.back(), Level.c_str()));
    if (Depth != 5 && Depth != Levels) continue;
    int Admin = MakeDirectoryAt(Chain.back(), "CVS");
    WriteFileAt(Admin, "Entries", "");
    WriteFileAt(Admin, "Root", ":pserver:host:/cvs\n");
    close(Admin);
  }
  WriteBytes(PathOf("wc/after/CVS/Entries"), "");
  WriteBytes(PathOf("wc/after/CVS/Root"), ":pserver:host:/cvs\n");

  TProcessResult Result = RunBothWays({PathOf("wc")});
  EXPECT_EQ(2, Result.ExitCode) << Result.StdErr;
  std::string Fifth = PathOf("wc");
  for (int Depth = 1; Depth <= 5; ++Depth) Fifth += "/" + Level;
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + Fifth + "/CVS\n"));
  EXPECT_EQ(1, Count(Result.StdOut, "Processing: " + PathOf("wc/after/CVS") + "\n"));
  EXPECT_EQ(3, Count(Result.StdOut, "Processing: "));
  const std::string Unlistable = "Cannot list directory (" + SystemErrorText(ENAMETOOLONG) + "): ";
  ASSERT_EQ(1, Count(Result.StdOut, Unlistable)) << Result.StdOut;
  std::size_t Named = Result.StdOut.find(Unlistable) + Unlistable.size();
  EXPECT_EQ(PathOf("wc/"), Result.StdOut.substr(Named, PathOf("wc/").size()));

  // Flattened, so that the fixture can remove the tree by ordinary paths.
  for (std::size_t Depth = 1; Depth + 1 < Chain.size(); ++Depth)
    ASSERT_EQ(0, renameat(Chain[Depth], Level.c_str(), Top, std::to_string(Depth).c_str()));
  for (int Fd : Chain) close(Fd);
}

}  // namespace
