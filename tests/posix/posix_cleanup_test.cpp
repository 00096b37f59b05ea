// Cleanup runs that only POSIX sets up here: symbolic links, a bind mount that
// leads back up the walk, trees deeper than the system's path limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/raw_file.h"
#include "tests/support/posix/limited_process.h"
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

// Appends Size bytes to the file; false when the disk cannot take them all.
bool WriteAll(const std::string& Path, std::size_t Size) {
  const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const std::string Bytes(Size, 'x');
  const bool Written = Fd >= 0 && write(Fd, Bytes.data(), Size) == static_cast<ssize_t>(Size);
  if (Fd >= 0) close(Fd);
  return Written;
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

TEST_F(PosixCleanupTest, TreeDeeperThanThePathLimitAndTheStackIsCleanedToTheBottom) {
  WriteIgnoreFile("*.o\n");
  MakeAdmin("wc");
  WriteBytes(PathOf("repo/proj/x.o,v"), "rcs");
  const std::string Local = ":local:" + PathOf("repo") + "\n";
  constexpr int Levels = 5000;  // about 10,000 bytes of path, beyond Linux's 4,096
  const int Top = open(PathOf("wc").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(Top, 0);
  int Level = dup(Top);
  auto MakeAdminAt = [&](int Fd, const char* Entries) {
    const int Admin = MakeDirectoryAt(Fd, "CVS");
    WriteFileAt(Admin, "Entries", Entries);
    WriteFileAt(Admin, "Root", Local);
    WriteFileAt(Admin, "Repository", "proj\n");
    close(Admin);
  };
  for (int Depth = 1; Depth <= Levels; ++Depth) {
    const int Below = MakeDirectoryAt(Level, "d");
    // Beside the deep chain, folders that the walk reaches after it, for all it knows: their
    // level must then be opened again from the top, name by name.
    if (Depth == 100)
      for (const char* Name : {"e", "f", "g"}) {
        const int Beside = MakeDirectoryAt(Level, Name);
        MakeAdminAt(Beside, "/w.o/1.1//\n");
        close(Beside);
      }
    close(Level);
    Level = Below;
    if (Depth == Levels / 2) MakeAdminAt(Level, "");
    if (Depth == Levels) MakeAdminAt(Level, "/x.o/1.1//\n/y.c/1.1//\n");
  }
  close(Level);
  WriteBytes(PathOf("repo/proj/w.o,v"), "rcs");

  // Windows gives a thread 1 MiB of stack; this is a quarter of that.
  auto RunWithSmallStack = [&](const char* ReadAhead, const std::vector<std::string>& Arguments) {
    SetChildEnvironment("MORVELLAN_READAHEAD", ReadAhead);
    TProcessResult Result = RunProgramUnderLimit("Morvellan", Arguments, RLIMIT_STACK, 256 << 10);
    SetChildEnvironment("MORVELLAN_READAHEAD", "");
    return Result;
  };
  TProcessResult Test = RunWithSmallStack("off", {PathOf("wc")});
  EXPECT_EQ(0, Test.ExitCode) << Test.StdErr;
  EXPECT_EQ(Test.StdOut, RunWithSmallStack("on", {PathOf("wc")}).StdOut);
  EXPECT_EQ(6, Count(Test.StdOut, "Processing: ")) << Test.StdOut.substr(0, 400);
  TProcessResult Live = RunWithSmallStack("on", {"-f", PathOf("wc")});
  EXPECT_EQ(0, Live.ExitCode) << Live.StdErr;
  EXPECT_EQ(1, Count(Live.StdOut, "Removed 4 entries from 4 files and deleted 2 revision files;"))
      << Live.StdOut.substr(Live.StdOut.size() - 200);
  EXPECT_FALSE(Exists(PathOf("repo/proj/x.o,v")));
  EXPECT_FALSE(Exists(PathOf("repo/proj/w.o,v")));

  // Flattened, so that the fixture can remove the tree by ordinary paths.
  for (int Moved = 0;; ++Moved) {
    const std::string From = Moved == 0 ? "d" : std::to_string(Moved - 1);
    const int Parent = openat(Top, From.c_str(), O_RDONLY | O_DIRECTORY);
    if (Parent < 0) break;
    const bool Deeper = renameat(Parent, "d", Top, std::to_string(Moved).c_str()) == 0;
    close(Parent);
    if (!Deeper) break;
  }
  close(Top);
}

TEST_F(PosixCleanupTest, FewDescriptorsGiveTheSameRunWithAndWithoutReadAhead) {
  WriteIgnoreFile("*.o\n");
  MakeAdmin("wc");
  for (int Index = 0; Index < 40; ++Index) {
    const std::string Work = "wc/" + std::string(Index % 5, 'x') + "/w" + std::to_string(Index);
    WriteBytes(PathOf(Work + "/CVS/Entries"), "/a.o/1.1//\n/b.c/1.1//\n");
    WriteBytes(PathOf(Work + "/CVS/Root"), ":local:" + PathOf("repo") + "\n");
    WriteBytes(PathOf(Work + "/CVS/Repository"), "p" + std::to_string(Index) + "\n");
    WriteBytes(PathOf("repo/p" + std::to_string(Index) + "/a.o,v"), "rcs");
  }
  std::string Said[2];
  for (const bool On : {false, true}) {
    SetChildEnvironment("MORVELLAN_READAHEAD", On ? "on" : "off");
    TProcessResult Result = RunProgramUnderLimit("Morvellan", {PathOf("wc")}, RLIMIT_NOFILE, 16);
    SetChildEnvironment("MORVELLAN_READAHEAD", "");
    EXPECT_EQ(0, Result.ExitCode) << Result.StdOut << Result.StdErr;
    EXPECT_EQ(41, Count(Result.StdOut, "Processing: ")) << Result.StdOut;
    Said[On] = Result.StdOut + Result.StdErr + Log();
  }
  EXPECT_EQ(Said[0], Said[1]);
}

TEST_F(PosixCleanupTest, LogOnAFullDiskStopsTheRunBeforeItsNextChange) {
  WriteIgnoreFile("*.o\n");
  for (int Index = 0; Index < 60; ++Index) {
    const std::string Work = "wc/w" + std::to_string(Index);
    WriteBytes(PathOf(Work + "/CVS/Entries"), "/a.o/1.1//\n/b.c/1.1//\n");
    WriteBytes(PathOf(Work + "/CVS/Root"), ":local:" + PathOf("repo") + "\n");
    WriteBytes(PathOf(Work + "/CVS/Repository"), "p" + std::to_string(Index) + "\n");
    WriteBytes(PathOf("repo/p" + std::to_string(Index) + "/a.o,v"), "rcs");
  }
  MakeDirectories(PathOf("full"));
  if (mount("morvellan", PathOf("full").c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no tmpfs mounts here: " << std::strerror(errno);
  // One free page holds the first lines of the log, not all of them.
  struct statvfs Disk;
  ASSERT_EQ(0, statvfs(PathOf("full").c_str(), &Disk));
  ASSERT_TRUE(WriteAll(PathOf("full/filler"), Disk.f_bavail * Disk.f_frsize - 4096));
  std::filesystem::current_path(PathOf("full"));
  TProcessResult Result = Run({"-f", PathOf("wc")});
  std::filesystem::current_path(Root());
  const std::string Log = ReadBytes(PathOf("full/Morvellan.log"));
  umount(PathOf("full").c_str());
  EXPECT_EQ(1, Result.ExitCode);
  EXPECT_TRUE(Result.StdOut.ends_with("Cannot write log file (" + SystemErrorText(ENOSPC) +
                                      "): Morvellan.log\n"))
      << Result.StdOut;
  EXPECT_EQ(std::string::npos, Result.StdOut.find("Log file written"));
  int Deleted = 0;
  for (int Index = 0; Index < 60; ++Index) {
    const std::string Revision = PathOf("repo/p" + std::to_string(Index) + "/a.o,v");
    if (Exists(Revision)) continue;
    ++Deleted;
    EXPECT_NE(std::string::npos, Log.find("Delete from repository: " + Revision + "\n"))
        << "a revision file went without a line in the log";
  }
  EXPECT_GT(Deleted, 0) << "the log held no line at all";
  EXPECT_LT(Deleted, 60) << "the run went on although the log was full";
}

}  // namespace
