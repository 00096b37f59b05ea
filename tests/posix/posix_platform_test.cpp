// What only the POSIX build does: '/' paths, dot-names hidden, the owner-write
// bit as read-only, the home folder, argv as handed over.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

TEST(PosixPathTest, SplitsAtTheLastSlashOnly) {
  struct TRow {
    const char* Path;
    const char* Directory;
    const char* Name;
  };
  const TRow Rows[] = {
      {"/work/foo.c", "/work/", "foo.c"},
      {"foo.c", "", "foo.c"},
      {"/work/", "/work/", ""},
      {"/", "/", ""},
      {"C:\\work\\foo.c", "", "C:\\work\\foo.c"},  // '\' and ':' are name bytes here
      {"a:b/c:d", "a:b/", "c:d"},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Path);
    EXPECT_EQ(Row.Directory, DirectoryPart(Row.Path));
    EXPECT_EQ(Row.Name, NamePart(Row.Path));
  }
}

class PosixFileTest : public TTempDirTest {
 protected:
  static mode_t ModeOf(const std::string& Path) {
    struct stat Info;
    EXPECT_EQ(0, stat(Path.c_str(), &Info));
    return Info.st_mode & 07777;
  }
};

TEST_F(PosixFileTest, ReadOnlyIsTheOwnerWriteBit) {
  WriteBytes("file", "x");
  ASSERT_EQ(0, chmod("file", 0664));
  ASSERT_EQ(0, ChangeFileAttributes("file", AttrReadOnly | AttrArchive));
  EXPECT_EQ(0464u, ModeOf("file"));  // other bits of the word are ignored
  ASSERT_EQ(0, ChangeFileAttributes("file", AttrArchive));
  EXPECT_EQ(0664u, ModeOf("file"));
  ASSERT_EQ(0, chmod("file", 0444));
  EXPECT_TRUE(IsReadOnly("file"));
}

TEST_F(PosixFileTest, DotNamesAreHiddenButDotAndDotDotAreNot) {
  WriteBytes(PathOf("d/.hidden"), "");
  WriteBytes(PathOf("d/.cvs/x"), "");
  WriteBytes(PathOf("d/plain"), "");
  std::map<std::string, uint32_t> Entries;
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  for (int Result = DirScanFirst(Dir, 18, Rec); Result == 0; Result = DirScanNext(Rec))
    Entries[Rec.Name] = Rec.Attr;
  ASSERT_EQ(5u, Entries.size());
  EXPECT_EQ(AttrHidden, Entries.at(".hidden") & AttrHidden);
  EXPECT_EQ(AttrHidden | AttrDirectory, Entries.at(".cvs") & (AttrHidden | AttrDirectory));
  EXPECT_EQ(0u, Entries.at("plain") & AttrHidden);
  EXPECT_EQ(0u, Entries.at(".") & AttrHidden);
  EXPECT_EQ(0u, Entries.at("..") & AttrHidden);
}

TEST_F(PosixFileTest, LinksAreFollowedForTheDirectoryBit) {
  WriteBytes(PathOf("real/x"), "");
  std::filesystem::create_directory_symlink(PathOf("real"), PathOf("link"));
  std::filesystem::create_symlink(PathOf("nowhere"), PathOf("dangling"));
  EXPECT_TRUE(IsDirectory(PathOf("link")));
  EXPECT_FALSE(FilePresent(PathOf("link")));
  TDirectory Real, Link, Top;
  TFileIdentity RealIdentity, LinkIdentity;
  ASSERT_EQ(0, OpenDirectory(PathOf("real"), Real));
  ASSERT_EQ(0, OpenDirectory(PathOf("link"), Link));  // a start directory may be a link
  ASSERT_TRUE(DirectoryIdentity(Real, RealIdentity));
  ASSERT_TRUE(DirectoryIdentity(Link, LinkIdentity));
  EXPECT_EQ(RealIdentity, LinkIdentity);
  std::map<std::string, uint32_t> Entries;
  ASSERT_EQ(0, OpenDirectory(Root(), Top));
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  for (int Result = DirScanFirst(Top, 63, Rec); Result == 0; Result = DirScanNext(Rec))
    Entries[Rec.Name] = Rec.Attr;
  EXPECT_EQ(AttrDirectory | AttrReparsePoint,
            Entries.at("link") & (AttrDirectory | AttrReparsePoint));
  EXPECT_EQ(AttrReparsePoint, Entries.at("dangling") & (AttrDirectory | AttrReparsePoint));
  // Below a held directory, a link is never followed, also one swapped in after the listing.
  TDirectory Below;
  EXPECT_EQ(LinkError, OpenSubdirectory(Top, "link", Below));
  EXPECT_EQ(0, OpenSubdirectory(Top, "real", Below));
  std::filesystem::rename(PathOf("real"), PathOf("moved"));
  std::filesystem::create_directory_symlink(PathOf("moved"), PathOf("real"));
  EXPECT_EQ(LinkError, OpenSubdirectory(Top, "real", Below));
}

class HomeFolderTest : public TTempDirTest {
 protected:
  void SetUp() override {
    TTempDirTest::SetUp();
    const char* Home = std::getenv("HOME");
    HadHome = Home != nullptr;
    if (HadHome) SavedHome = Home;
  }
  void TearDown() override {
    if (HadHome)
      setenv("HOME", SavedHome.c_str(), 1);
    else
      unsetenv("HOME");
    TTempDirTest::TearDown();
  }

 private:
  bool HadHome = false;
  std::string SavedHome;
};

TEST_F(HomeFolderTest, ProfileFolderIsHomeWithoutTrailingSlash) {
  setenv("HOME", "/home/ann", 1);
  EXPECT_EQ("/home/ann", SpecialFolderPath(ProfileFolder));
  setenv("HOME", "/home/ann//", 1);
  EXPECT_EQ("/home/ann", SpecialFolderPath(ProfileFolder));
  setenv("HOME", "/", 1);
  EXPECT_EQ("", SpecialFolderPath(ProfileFolder));  // the ignore file is then /.cvsignore
}

TEST_F(HomeFolderTest, EmptyHomeFallsBackToThePasswordDatabase) {
  setenv("HOME", "", 1);
  std::string FromDatabase = SpecialFolderPath(ProfileFolder);
  unsetenv("HOME");
  EXPECT_EQ(FromDatabase, SpecialFolderPath(ProfileFolder));
  EXPECT_EQ("", SpecialFolderPath(ProfileFolder + 1));
}

TEST(PosixArgumentsTest, EmptyArgumentsAreSkipped) {
  TProcessResult Result = RunProgram("args_probe", {"", "a b", "", "-f", ""});
  EXPECT_EQ(0, Result.ExitCode);
  EXPECT_EQ("[a b]\n[-f]\n", Result.StdOut);
  EXPECT_EQ("", RunProgram("args_probe", {"", ""}).StdOut);
}

TEST(PosixOutputTest, AClosedPipeDoesNotChangeTheExitStatus) {
  int Pipe[2];
  ASSERT_EQ(0, pipe(Pipe));
  close(Pipe[0]);
  std::string Program = ProgramPath("Morvellan");
  pid_t Child = fork();
  if (Child == 0) {
    dup2(Pipe[1], STDOUT_FILENO);
    execl(Program.c_str(), Program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(Pipe[1]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  ASSERT_TRUE(WIFEXITED(Status)) << "ended by signal " << WTERMSIG(Status);
  EXPECT_EQ(0, WEXITSTATUS(Status));
}
