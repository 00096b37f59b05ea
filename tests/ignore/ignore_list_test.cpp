// Loading the ignore list and matching names against it.
#include "ignore/ignore_list.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "ignore/cvs_pattern.h"
#include "ignore/masks.h"
#include "tests/support/run_fixture.h"

using namespace std::string_view_literals;

namespace {

class IgnoreListTest : public TRunTest {};

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
    EXPECT_EQ(Cased(Row.Expected), LoadIgnoreList(File.Path));
  }
}

TEST_F(IgnoreListTest, MissingOrEmptyFileGivesNoPatterns) {
  EXPECT_FALSE(FindIgnoreFile().Present);
  WriteIgnoreFile("");
  EXPECT_TRUE(LoadIgnoreList(FindIgnoreFile().Path).empty());
}

TEST_F(IgnoreListTest, PatternsAreMatchedAsTheyStand) {
  const TIgnoreList List({" *.obj", "*.obj *.exe", "# objects", "!", ""});
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
    EXPECT_EQ(Row.Expected, List.Matches(Row.Name));
  }
}

TEST_F(IgnoreListTest, NulEndsTheName) {
  const TIgnoreList List({"core", "cvslog.*", "*.o"});  // a whole name, a beginning, an ending
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
    EXPECT_EQ(Row.Expected, List.Matches(Row.Name));
  }
}

TEST_F(IgnoreListTest, MalformedPatternRaisesOnlyWhenReached) {
  const TIgnoreList List({"*.obj", "[", "*.c"});
  EXPECT_TRUE(List.Matches("a.obj"));
  EXPECT_THROW(List.Matches("a.c"), EMaskException);
  EXPECT_THROW(List.Matches("a.c"), EMaskException);
}

TEST_F(IgnoreListTest, OnlyWhereCvsReadsThePatternAlike) {
  // "x*?" needs a byte after x for CVS; "[^a]" negates there; a second pattern that CVS reads
  // alike still lets the name go.
  const TIgnoreList List({"x*?", "[^a]*", "x*"});
  EXPECT_TRUE(List.Matches("x"));
  EXPECT_FALSE(List.Matches("aq"));
  EXPECT_TRUE(List.Matches("^q"));
  EXPECT_FALSE(TIgnoreList({"x*?"}).Matches("x"));
}

// The list's answer, or the fault's message, as the masks give it tried one by one in list order
// (the first that matches settles it, and a malformed one reached raises), and then only where
// CVS reads one of the patterns whose mask matches alike.
static std::string OneByOne(const TStringList& List, std::string_view Name) {
  try {
    bool Matched = false;
    for (const std::string& Pattern : List)
      if (NameMatchesMask(Name, Pattern)) {
        Matched = true;
        break;
      }
    if (!Matched) return "miss";
  } catch (const EMaskException& Fault) {
    return Fault.Message();
  }
  const std::string_view Cut = Name.substr(0, Name.find('\0'));
  for (const std::string& Pattern : List) {
    try {
      if (NameMatchesMask(Name, Pattern) && CvsPatternMatches(Pattern, Cut, NamesIgnoreCase))
        return "match";
    } catch (const EMaskException&) {
    }
  }
  return "miss";
}

static std::string Listed(const TIgnoreList& List, std::string_view Name) {
  try {
    return List.Matches(Name) ? "match" : "miss";
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
  TStringList Chosen;
  auto List = std::make_unique<TIgnoreList>(Chosen);
  for (int Case = 0; Case < 20000; ++Case) {
    if (Case % 40 == 0) {
      Chosen.clear();
      for (int Count = Between(0, 8); Count > 0; --Count)
        Chosen.push_back(Patterns[Between(0, std::size(Patterns) - 1)]);
      List = std::make_unique<TIgnoreList>(Chosen);
    } else if (Case % 40 == 20 && !Chosen.empty()) {
      std::string& Changed = Chosen[Between(0, int(Chosen.size()) - 1)];
      const std::string_view Bytes = "aAo.~#,$*?[]\xE9";
      if (!Changed.empty())
        Changed[Between(0, int(Changed.size()) - 1)] = Bytes[Between(0, int(Bytes.size()) - 1)];
      List = std::make_unique<TIgnoreList>(Chosen);
    }
    std::string Name;
    for (int Count = Between(0, 4); Count > 0; --Count)
      Name += Pieces[Between(0, std::size(Pieces) - 1)];
    const std::string Expected = OneByOne(Chosen, Name);
    ASSERT_EQ(Expected, Listed(*List, Name))
        << "name " << testing::PrintToString(Name) << ", list " << testing::PrintToString(Chosen);
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

}  // namespace
