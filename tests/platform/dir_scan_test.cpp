// Directories held open and their enumeration with the two attribute sets the program uses.
#include "platform/dir_scan.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/file_system.h"
#include "platform/raw_file.h"
#include "tests/support/temp_dir.h"

class DirScanTest : public TTempDirTest {
 protected:
  /// Every entry the enumeration of the opened directory gives, with its attribute word and the
  /// read-only bit that IsReadOnlyEntry gives.
  std::map<std::string, uint32_t> Scan(const std::string& Directory, uint32_t AttrSet) {
    std::map<std::string, uint32_t> Entries;
    TDirectory Dir;
    EXPECT_EQ(0, OpenDirectory(Directory, Dir)) << Directory;
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    for (int Result = DirScanFirst(Dir, AttrSet, Rec); Result == 0; Result = DirScanNext(Rec)) {
      const uint32_t Attr = Rec.Attr | (IsReadOnlyEntry(Dir, Rec) ? AttrReadOnly : 0);
      EXPECT_TRUE(Rec.NameInCodePage) << Rec.Name;
      EXPECT_TRUE(Entries.emplace(Rec.Name, Attr).second) << Rec.Name;
    }
    return Entries;
  }
};

TEST_F(DirScanTest, EmptyDirectoryGivesDotAndDotDot) {
  MakeDirectories(PathOf("empty"));
  std::map<std::string, uint32_t> Entries = Scan(PathOf("empty/"), 63);
  ASSERT_EQ(2u, Entries.size());
  EXPECT_TRUE(Entries.at(".") & AttrDirectory);
  EXPECT_TRUE(Entries.at("..") & AttrDirectory);
}

TEST_F(DirScanTest, GivesFilesAndDirectoriesWithTheirBits) {
  WriteBytes(PathOf("d/file"), "");
  WriteBytes(PathOf("d/ro"), "");
  WriteBytes(PathOf("d/sub/x"), "");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("d/ro"), AttrReadOnly));
  for (uint32_t Set : {63u, 18u}) {
    SCOPED_TRACE(Set);
    std::map<std::string, uint32_t> Entries = Scan(PathOf("d/"), Set);
    ASSERT_EQ(5u, Entries.size());
    EXPECT_FALSE(Entries.at("file") & (AttrDirectory | AttrReadOnly));
    EXPECT_TRUE(Entries.at("ro") & AttrReadOnly);  // read-only never excludes
    EXPECT_TRUE(Entries.at("sub") & AttrDirectory);
  }
}

TEST_F(DirScanTest, WithoutTheDirectoryBitDirectoriesArePassedOver) {
  WriteBytes(PathOf("d/file"), "");
  WriteBytes(PathOf("d/sub/x"), "");
  std::map<std::string, uint32_t> Entries = Scan(PathOf("d"), 0);
  EXPECT_EQ(1u, Entries.size());
  EXPECT_EQ(1u, Entries.count("file"));
}

TEST_F(DirScanTest, MissingDirectoryGivesAnErrorAndLeavesNothingOpen) {
  TDirectory Dir;
  EXPECT_TRUE(IsNotFoundError(OpenDirectory(PathOf("missing"), Dir)));
  EXPECT_FALSE(Dir.IsOpen());
  TSearchRec Rec;
  EXPECT_NE(0, DirScanFirst(Dir, 63, Rec));
  EXPECT_EQ(nullptr, Rec.State);
  DirScanClose(Rec);
}

TEST_F(DirScanTest, EndOfListingIsNonzeroAndCloseTwiceIsHarmless) {
  WriteBytes(PathOf("d/only"), "");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("d/only"), AttrReadOnly));
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  TSearchRec Rec;
  int Result = DirScanFirst(Dir, 0, Rec);
  ASSERT_EQ(0, Result);
  EXPECT_EQ("only", Rec.Name);
  EXPECT_EQ(DirScanNoMoreEntries, DirScanNext(Rec));
  // The record holds the last entry given, "." and ".." passed over or not, until the close.
  EXPECT_EQ("only", Rec.Name);
  EXPECT_TRUE(IsReadOnlyEntry(Dir, Rec));
  DirScanClose(Rec);
  DirScanClose(Rec);
  // A second enumeration of the same directory starts again from its first entry.
  ASSERT_EQ(0, DirScanFirst(Dir, 0, Rec));
  EXPECT_EQ("only", Rec.Name);
  DirScanClose(Rec);
}

TEST_F(DirScanTest, SubdirectoriesOpenThroughTheirParent) {
  WriteBytes(PathOf("d/sub/inner"), "x");
  WriteBytes(PathOf("d/file"), "");
  TDirectory Parent, Sub, Refused;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Parent));
  ASSERT_EQ(0, OpenSubdirectory(Parent, "sub", Sub));
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  ASSERT_EQ(0, DirScanFirst(Sub, 0, Rec));
  EXPECT_EQ("inner", Rec.Name);
  const int NotADirectory = OpenSubdirectory(Parent, "file", Refused);
  EXPECT_NE(0, NotADirectory);
  EXPECT_NE(LinkError, NotADirectory);
  EXPECT_TRUE(IsNotFoundError(OpenSubdirectory(Parent, "missing", Refused)));
  EXPECT_FALSE(Refused.IsOpen());
}

TEST_F(DirScanTest, FilesOpenThroughTheirDirectory) {
  WriteBytes(PathOf("d/Entries"), "0123456789");
  WriteBytes(PathOf("d/sub/x"), "");
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  const TFileHandle Handle = RawOpenReadAt(Dir, "Entries");
  ASSERT_NE(InvalidFileHandle, Handle);
  char Bytes[8];
  // Positional reads do not depend on one another or on the handle's position.
  EXPECT_EQ(4, RawReadAt(Handle, 6, Bytes, sizeof Bytes));
  EXPECT_EQ("6789", std::string(Bytes, 4));
  EXPECT_EQ(3, RawReadAt(Handle, 1, Bytes, 3));
  EXPECT_EQ("123", std::string(Bytes, 3));
  EXPECT_EQ(0, RawReadAt(Handle, 10, Bytes, sizeof Bytes));
  EXPECT_FALSE(RawIsReadOnly(Handle));
  RawClose(Handle);
  EXPECT_EQ(InvalidFileHandle, RawOpenReadAt(Dir, "sub"));
  EXPECT_EQ(IsADirectoryError, LastSystemError());
  EXPECT_EQ("Is a directory", SystemMessage(IsADirectoryError));
  EXPECT_EQ(InvalidFileHandle, RawOpenReadAt(Dir, "missing"));
  EXPECT_TRUE(IsNotFoundError(LastSystemError()));
}

TEST_F(DirScanTest, ExclusiveCreationRefusesEveryExistingName) {
  WriteBytes(PathOf("d/Entries.out"), "stale");
  TDirectory Dir;
  ASSERT_EQ(0, OpenDirectory(PathOf("d"), Dir));
  EXPECT_EQ(InvalidFileHandle, RawCreateExclusiveAt(Dir, "Entries.out"));
  EXPECT_EQ(AlreadyExistsError, LastSystemError());
  const TFileHandle Handle = RawCreateExclusiveAt(Dir, "Entries.new");
  ASSERT_NE(InvalidFileHandle, Handle);
  EXPECT_TRUE(RawWrite(Handle, "new", 3));
  EXPECT_TRUE(RawClose(Handle));
  EXPECT_EQ("new", ReadBytes(PathOf("d/Entries.new")));
  EXPECT_EQ("stale", ReadBytes(PathOf("d/Entries.out")));
}
