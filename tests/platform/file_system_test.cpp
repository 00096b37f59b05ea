// File tests and changes on real files, the same on both platforms.
#include "platform/file_system.h"

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

TEST_F(FileSystemTest, ReadOnlyFilesAreNotDeleted) {
  WriteBytes("file", "x");
  ASSERT_EQ(0, ChangeFileAttributes("file", AttrReadOnly));
  EXPECT_TRUE(IsReadOnly("file"));
  EXPECT_FALSE(DeleteFileAt("file"));
  EXPECT_TRUE(FilePresent("file"));
  ASSERT_EQ(0, ChangeFileAttributes("file", 0));
  EXPECT_FALSE(IsReadOnly("file"));
  EXPECT_TRUE(DeleteFileAt("file"));
  EXPECT_FALSE(Exists("file"));
}

TEST_F(FileSystemTest, DeleteRefusesDirectoriesAndMissingFiles) {
  WriteBytes(PathOf("dir/x"), "");
  EXPECT_FALSE(DeleteFileAt("dir"));
  EXPECT_TRUE(IsDirectory("dir"));
  EXPECT_FALSE(DeleteFileAt("missing"));
}

TEST_F(FileSystemTest, RenameNeverReplaces) {
  WriteBytes("old", "old");
  WriteBytes("new", "new");
  EXPECT_FALSE(RenameFileTo("old", "new"));
  EXPECT_EQ("old", ReadBytes("old"));
  EXPECT_EQ("new", ReadBytes("new"));
  EXPECT_TRUE(RenameFileTo("old", "other"));
  EXPECT_FALSE(Exists("old"));
  EXPECT_EQ("old", ReadBytes("other"));
}

TEST_F(FileSystemTest, ReplaceTakesTheSourceInOneStep) {
  WriteBytes("Entries", "old");
  WriteBytes("Entries.out", "new");
  EXPECT_TRUE(ReplaceFileWith("Entries", "Entries.out"));
  EXPECT_EQ("new", ReadBytes("Entries"));
  EXPECT_FALSE(Exists("Entries.out"));
}

TEST_F(FileSystemTest, ReplaceRefusesAReadOnlyTarget) {
  WriteBytes("Entries", "old");
  WriteBytes("Entries.out", "new");
  ASSERT_EQ(0, ChangeFileAttributes("Entries", AttrReadOnly));
  EXPECT_FALSE(ReplaceFileWith("Entries", "Entries.out"));
  EXPECT_EQ("old", ReadBytes("Entries"));
  EXPECT_EQ("new", ReadBytes("Entries.out"));
}

TEST_F(FileSystemTest, FullPathNameResolvesAgainstTheCurrentDirectory) {
  EXPECT_EQ(PathOf("a/c"), FullPathName(std::string("a") + PathDelimiter + "b" + PathDelimiter +
                                        ".." + PathDelimiter + "c"));
  EXPECT_EQ(PathOf("x"), FullPathName(PathOf("x")));
}

TEST_F(FileSystemTest, DirectoryIdentityTellsDirectoriesApart) {
  WriteBytes(PathOf("a/x"), "");
  WriteBytes(PathOf("b/x"), "");
  TFileIdentity A, AAgain, B;
  ASSERT_TRUE(DirectoryIdentity(PathOf("a"), A));
  ASSERT_TRUE(DirectoryIdentity(PathOf("a/"), AAgain));
  ASSERT_TRUE(DirectoryIdentity(PathOf("b"), B));
  EXPECT_EQ(A, AAgain);
  EXPECT_FALSE(A == B);
  EXPECT_FALSE(DirectoryIdentity(PathOf("a/x"), A));
  EXPECT_FALSE(DirectoryIdentity(PathOf("missing"), A));
}
