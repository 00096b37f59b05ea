// Loading the ignore list and matching names against it.
#include "ignore/ignore_list.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "ignore/masks.h"
#include "tests/support/run_fixture.h"

using namespace std::string_view_literals;

namespace {

class IgnoreListTest : public TRunTest {
 protected:
  void TearDown() override {
    IgnoreList.clear();
    TRunTest::TearDown();
  }
};

// The patterns as the list holds them: lower-cased only where names ignore case.
static TStringList Cased(TStringList Patterns) {
  if (NamesIgnoreCase)
    for (std::string& Pattern : Patterns) Pattern = LowerAscii(Pattern);
  return Patterns;
}

TEST_F(IgnoreListTest, PatternsAsCvsReadsThem) {
  struct TRow {
    const char* Text;
    TStringList Expected;
  };
  const TRow Rows[] = {
      {"*.OBJ\r\nThumbs.db\n*.obj\r\n", {"*.OBJ", "Thumbs.db", "*.obj"}},
      {"*.o *.obj core\n", {"*.o", "*.obj", "core"}},  // several patterns to a line
      {"\t*.a\t *.b  \r\n", {"*.a", "*.b"}},  // tabs and spaces separate, at either end too
      {"*.o\n!\n*.c", {"*.c"}},               // "!" empties the list read so far
      {"a!b !x\n", {"a!b", "!x"}},            // only a "!" of its own
      {"\xC9\n", {"\xC9"}},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Text)));
    WriteIgnoreFile(Row.Text);
    const TIgnoreFile File = FindIgnoreFile();
    ASSERT_TRUE(File.Present);
    EXPECT_EQ(IgnoreFile(), File.Path);
    LoadIgnoreList(File.Path);
    EXPECT_EQ(Cased(Row.Expected), IgnoreList);
  }
}

TEST_F(IgnoreListTest, MissingOrEmptyFileGivesNoPatterns) {
  EXPECT_FALSE(FindIgnoreFile().Present);
  WriteIgnoreFile("");
  IgnoreList = {"stale"};
  LoadIgnoreList(FindIgnoreFile().Path);
  EXPECT_TRUE(IgnoreList.empty());
}

TEST_F(IgnoreListTest, PatternsAreMatchedAsTheyStand) {
  IgnoreList = {" *.obj", "*.obj *.exe", "# objects", "!", ""};
  struct TRow {
    const char* Name;
    bool Expected;
  };
  const TRow Rows[] = {
      {" a.obj", true},  // the leading space belongs to the pattern
      {" a.OBJ", NamesIgnoreCase},
      {"a.obj", false},
      {"a.exe", false},  // no splitting at blanks
      {"x.obj y.exe", true},
      {"# objects", true},  // no comments
      {"!", true},
      {"", true},  // an empty line matches only the empty name
      {"x", false},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ(Row.Expected, MatchesIgnoreList(Row.Name));
  }
}

TEST_F(IgnoreListTest, NulEndsTheName) {
  IgnoreList = {"core", "cvslog.*", "*.o"};  // a whole name, a beginning, an ending
  struct TRow {
    std::string_view Name;
    bool Expected;
  };
  const TRow Rows[] = {
      {"core\0x"sv, true},     {"cor\0e"sv, false}, {"cvslog.\0"sv, true},
      {"cvslog\0.x"sv, false}, {"a.o\0.c"sv, true}, {"a.c\0.o"sv, false},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Name)));
    EXPECT_EQ(Row.Expected, MatchesIgnoreList(Row.Name));
  }
}

TEST_F(IgnoreListTest, MalformedPatternRaisesOnlyWhenReached) {
  IgnoreList = {"*.obj", "[", "*.c"};
  EXPECT_TRUE(MatchesIgnoreList("a.obj"));
  EXPECT_THROW(MatchesIgnoreList("a.c"), EMaskException);
  EXPECT_THROW(MatchesIgnoreList("a.c"), EMaskException);
}

// The list's answer, or the fault's message, as the masks give it tried one by one in list order.
static std::string OneByOne(std::string_view Name) {
  try {
    for (const std::string& Pattern : IgnoreList)
      if (NameMatchesMask(Name, Pattern)) return "match";
    return "miss";
  } catch (const EMaskException& Fault) {
    return Fault.Message();
  }
}

static std::string Listed(std::string_view Name) {
  try {
    return MatchesIgnoreList(Name) ? "match" : "miss";
  } catch (const EMaskException& Fault) {
    return Fault.Message();
  }
}

// Lists of common and odd patterns, changed between names (also in place, to a pattern of the
// same length), against the masks tried in order: the list sorts its masks by the bytes they
// require, and compiles them as names reach them.
TEST_F(IgnoreListTest, AgreesWithTheMasksTriedInOrder) {
  const std::string Patterns[] = {
      "*.o",      "*.a",    "core",  "tags",  "#*",    ".#*",   ",*",    "*~",    "*$",  "_$*",
      "cvslog.*", "*.bak",  "*.old", "*",     "",      "a",     "?",     "*?",    "a*b", "*a*",
      "[a-c]*",   "*.[ch]", "[",     "x[",    "*[!a]", "\xE9*", "*\xE9", "a\xE9", "~",   ".o",
      "o*",       "*o",     "oo",    "*.obj", "obj*",  "\0a",   "a\0*"};
  const std::string Pieces[] = {"a",
                                "A",
                                "b",
                                "o",
                                "O",
                                ".",
                                "~",
                                "#",
                                ",",
                                "$",
                                "_",
                                "x",
                                "\xE9",
                                "\xC9",
                                "core",
                                "CORE",
                                "tags",
                                "cvslog",
                                ".o",
                                ".bak",
                                "obj",
                                "OBJ",
                                std::string(1, '\0')};
  std::mt19937 Generator(20261208);
  auto Between = [&](int Low, int High) {
    return std::uniform_int_distribution<int>(Low, High)(Generator);
  };
  int Matches = 0, Misses = 0, Faults = 0;
  for (int Case = 0; Case < 20000; ++Case) {
    if (Case % 40 == 0) {
      IgnoreList.clear();
      for (int Count = Between(0, 8); Count > 0; --Count)
        IgnoreList.push_back(Patterns[Between(0, std::size(Patterns) - 1)]);
    } else if (Case % 40 == 20 && !IgnoreList.empty()) {
      std::string& Changed = IgnoreList[Between(0, int(IgnoreList.size()) - 1)];
      const std::string_view Bytes = "aAo.~#,$*?[]\xE9";
      if (!Changed.empty())
        Changed[Between(0, int(Changed.size()) - 1)] = Bytes[Between(0, int(Bytes.size()) - 1)];
    }
    std::string Name;
    for (int Count = Between(0, 4); Count > 0; --Count)
      Name += Pieces[Between(0, std::size(Pieces) - 1)];
    const std::string Expected = OneByOne(Name);
    ASSERT_EQ(Expected, Listed(Name)) << "name " << testing::PrintToString(Name) << ", list "
                                      << testing::PrintToString(IgnoreList);
    if (Expected == "match")
      ++Matches;
    else if (Expected == "miss")
      ++Misses;
    else
      ++Faults;
  }
  EXPECT_GT(Matches, 3000);
  EXPECT_GT(Misses, 5000);
  EXPECT_GT(Faults, 1000);
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
