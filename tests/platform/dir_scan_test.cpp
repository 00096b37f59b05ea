// Directory enumeration with the two attribute sets the program uses.
#include "platform/dir_scan.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

class DirScanTest : public TTempDirTest {
 protected:
  /// Every entry the enumeration gives, with its attribute word.
  std::map<std::string, uint32_t> Scan(const std::string& Directory, uint32_t AttrSet) {
    std::map<std::string, uint32_t> Entries;
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    for (int Result = DirScanFirst(Directory + "*", AttrSet, Rec); Result == 0;
         Result = DirScanNext(Rec)) {
      EXPECT_TRUE(Entries.emplace(Rec.Name, Rec.Attr).second) << Rec.Name;
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
  std::map<std::string, uint32_t> Entries = Scan(PathOf("d/"), 0);
  EXPECT_EQ(1u, Entries.size());
  EXPECT_EQ(1u, Entries.count("file"));
}

TEST_F(DirScanTest, MissingDirectoryGivesAnErrorAndLeavesNothingOpen) {
  TSearchRec Rec;
  EXPECT_NE(0, DirScanFirst(PathOf("missing/*"), 63, Rec));
  EXPECT_EQ(nullptr, Rec.State);
  DirScanClose(Rec);
}

TEST_F(DirScanTest, EndOfListingIsNonzeroAndCloseTwiceIsHarmless) {
  WriteBytes(PathOf("d/only"), "");
  ASSERT_EQ(0, ChangeFileAttributes(PathOf("d/only"), AttrReadOnly));
  TSearchRec Rec;
  int Result = DirScanFirst(PathOf("d/*"), 0, Rec);
  ASSERT_EQ(0, Result);
  EXPECT_EQ("only", Rec.Name);
  EXPECT_NE(0, DirScanNext(Rec));
  // The record holds the last entry given, "." and ".." passed over or not, until the close.
  EXPECT_EQ("only", Rec.Name);
  EXPECT_TRUE(Rec.Attr & AttrReadOnly);
  DirScanClose(Rec);
  DirScanClose(Rec);
}

static int LookUps = 0;

static bool CountedReadOnly(const TSearchRec&) {
  ++LookUps;
  return true;
}

TEST(AttrWordTest, ReadOnlyBitIsLookedUpOnceAndOnlyWhenAskedFor) {
  TSearchRec Rec;
  LookUps = 0;
  Rec.Attr.Defer(AttrDirectory | AttrHidden, CountedReadOnly, Rec);
  EXPECT_EQ(AttrDirectory, Rec.Attr & AttrDirectory);
  EXPECT_EQ(AttrHidden, Rec.Attr & (AttrHidden | AttrSystem));
  EXPECT_EQ(0, LookUps);
  EXPECT_EQ(AttrReadOnly, Rec.Attr & (AttrReadOnly | AttrSystem));
  EXPECT_EQ(AttrReadOnly | AttrDirectory | AttrHidden, static_cast<uint32_t>(Rec.Attr));
  EXPECT_EQ(1, LookUps);
}

TEST(AttrWordTest, CopyAndAssignmentHoldTheWholeWord) {
  TSearchRec Rec;
  LookUps = 0;
  Rec.Attr.Defer(AttrArchive, CountedReadOnly, Rec);
  const TAttrWord Copy = Rec.Attr;
  EXPECT_EQ(1, LookUps);
  EXPECT_EQ(AttrArchive | AttrReadOnly, static_cast<uint32_t>(Copy));
  Rec.Attr.Defer(AttrArchive, CountedReadOnly, Rec);
  TAttrWord Assigned;
  Assigned = Rec.Attr;
  EXPECT_EQ(2, LookUps);
  EXPECT_EQ(AttrArchive | AttrReadOnly, Assigned & ~uint32_t{0});
  Rec.Attr = AttrHidden;  // a plain word replaces a deferred one
  EXPECT_EQ(AttrHidden, static_cast<uint32_t>(Rec.Attr));
  EXPECT_EQ(2, LookUps);
}
