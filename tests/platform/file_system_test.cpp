// File tests and changes on real files, the same on both platforms.
#include "platform/file_system.h"

#include "platform/dir_scan.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

class FileSystemTest : public TTempDirTest {};

TEST_F(FileSystemTest, FilePresentOnlyForFiles) {
  WriteBytes(PathOf("dir/file"), "x");
  EXPECT_TRUE(FilePresent(PathOf("dir/file")));
  EXPECT_FALSE(FilePresent(PathOf("dir")));
  EXPECT_FALSE(FilePresent(PathOf("dir/missing")));
  EXPECT_FALSE(FilePresent(PathOf("missing/file")));
}

TEST_F(FileSystemTest, IsDirectoryTable) {
  WriteBytes(PathOf("proj/a.c"), "x");
  struct TRow {
    std::string Path;
    bool Expected;
  };
  const TRow Rows[] = {
      {PathOf("proj"), true},
      {PathOf("proj/"), true},  // a trailing separator names the folder before it
      {"proj", true},           // relative to the current directory
      {".", true},
      {"..", true},
      {PathOf("proj/a.c"), false},
      {PathOf("proj/missing"), false},
      {"", false},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Path);
    EXPECT_EQ(Row.Expected, IsDirectory(Row.Path));
  }
}

TEST_F(FileSystemTest, ReadOnlyIsSetAndCleared) {
  WriteBytes("file", "x");
  ASSERT_EQ(0, ChangeFileAttributes("file", AttrReadOnly));
  EXPECT_TRUE(IsReadOnly("file"));
  ASSERT_EQ(0, ChangeFileAttributes("file", 0));
  EXPECT_FALSE(IsReadOnly("file"));
}

TEST_F(FileSystemTest, ReplaceTakesTheSourceInOneStep) {
  WriteBytes(PathOf("d/Entries"), "old");
  WriteBytes(PathOf("d/Entries.out"), "new");
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  EXPECT_TRUE(ReplaceFileAt(Dir, "Entries.out", "Entries"));
  EXPECT_EQ("new", ReadBytes(PathOf("d/Entries")));
  EXPECT_FALSE(Exists(PathOf("d/Entries.out")));
  EXPECT_TRUE(FlushDirectory(Dir));
}

TEST_F(FileSystemTest, RevisionFilesGoReadOnlyOrNotAndMissingOnesCountAsGone) {
  WriteBytes(PathOf("d/a,v"), "x");
  WriteBytes(PathOf("d/b,v"), "x");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("d/b,v"), AttrReadOnly));
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  EXPECT_EQ(0, DeleteRevisionFileAt(Dir, "a,v", 0));
  EXPECT_EQ(0, DeleteRevisionFileAt(Dir, "b,v", AttrReadOnly));
  EXPECT_EQ(0, DeleteRevisionFileAt(Dir, "gone,v", 0));
  EXPECT_FALSE(Exists(PathOf("d/a,v")));
  EXPECT_FALSE(Exists(PathOf("d/b,v")));
  EXPECT_EQ(0, RemoveFileAt(Dir, "missing"));
}

TEST_F(FileSystemTest, FullPathNameResolvesAgainstTheCurrentDirectory) {
  EXPECT_EQ(PathOf("a/c"), FullPathName(std::string("a") + PathDelimiter + "b" + PathDelimiter +
                                        ".." + PathDelimiter + "c"));
  EXPECT_EQ(PathOf("x"), FullPathName(PathOf("x")));
}

TEST_F(FileSystemTest, DirectoryIdentityTellsDirectoriesApart) {
  WriteBytes(PathOf("a/x"), "");
  WriteBytes(PathOf("b/x"), "");
  TDirectory DirA, DirAAgain, DirB, File;
  ASSERT_EQ(0, OpenDirectory(PathOf("a"), DirA));
  ASSERT_EQ(0, OpenDirectory(PathOf("a/"), DirAAgain));
  ASSERT_EQ(0, OpenDirectory(PathOf("b"), DirB));
  TFileIdentity A, AAgain, B;
  ASSERT_TRUE(DirectoryIdentity(DirA, A));
  ASSERT_TRUE(DirectoryIdentity(DirAAgain, AAgain));
  ASSERT_TRUE(DirectoryIdentity(DirB, B));
  EXPECT_EQ(A, AAgain);
  EXPECT_FALSE(A == B);
  EXPECT_NE(0, OpenDirectory(PathOf("a/x"), File));
  EXPECT_NE(0, OpenSubdirectory(DirA, "x", File));
  EXPECT_NE(0, OpenDirectory(PathOf("missing"), File));
}
