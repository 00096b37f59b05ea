// Loading the ignore list and matching names against it.
#include "ignore/ignore_list.h"

#include <gtest/gtest.h>

#include "ignore/masks.h"
#include "tests/support/run_fixture.h"

namespace {

class IgnoreListTest : public TRunTest {
 protected:
  void TearDown() override {
    IgnoreList.clear();
    TRunTest::TearDown();
  }
};

TEST_F(IgnoreListTest, OneLowerCasedPatternPerWholeLine) {
  WriteIgnoreFile("*.OBJ\r\nThumbs.db\n*.obj\r\n\r\n *.obj\r*.obj *.exe\n# objects\n!\n\xC9\n");
  LoadIgnoreList();
  EXPECT_EQ((TStringList{"*.obj", "thumbs.db", "*.obj", "", " *.obj", "*.obj *.exe", "# objects",
                         "!", "\xC9"}),
            IgnoreList);
}

TEST_F(IgnoreListTest, MissingOrEmptyFileGivesAnEmptyList) {
  IgnoreList = {"stale"};
  LoadIgnoreList();
  EXPECT_TRUE(IgnoreList.empty());
  WriteIgnoreFile("");
  IgnoreList = {"stale"};
  LoadIgnoreList();
  EXPECT_TRUE(IgnoreList.empty());
}

TEST_F(IgnoreListTest, PatternsAreMatchedAsTheyStand) {
  IgnoreList = {" *.obj", "*.obj *.exe", "# objects", "!", ""};
  struct TRow {
    const char* Name;
    bool Expected;
  };
  const TRow Rows[] = {
      {" a.OBJ", true},                            // the leading space belongs to the pattern
      {"a.obj", false},      {"a.exe", false},     // no splitting at blanks
      {"x.obj y.exe", true}, {"# OBJECTS", true},  // no comments
      {"!", true},           {"", true},           // an empty line matches only the empty name
      {"x", false},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ(Row.Expected, MatchesIgnoreList(Row.Name));
  }
}

TEST_F(IgnoreListTest, MalformedPatternRaisesOnlyWhenReached) {
  IgnoreList = {"*.obj", "[", "*.c"};
  EXPECT_TRUE(MatchesIgnoreList("a.obj"));
  EXPECT_THROW(MatchesIgnoreList("a.c"), EMaskException);
  EXPECT_THROW(MatchesIgnoreList("a.c"), EMaskException);
}

TEST_F(IgnoreListTest, ChangedListIsCompiledAfresh) {
  IgnoreList = {"*.obj"};
  EXPECT_TRUE(MatchesIgnoreList("a.obj"));
  IgnoreList = {"*.exe"};
  EXPECT_FALSE(MatchesIgnoreList("a.obj"));
  EXPECT_TRUE(MatchesIgnoreList("a.exe"));
  IgnoreList.clear();
  EXPECT_FALSE(MatchesIgnoreList("a.exe"));
}

}  // namespace
