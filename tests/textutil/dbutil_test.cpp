// Field extraction from separated lines: bounds, separators, parentheses and quotes.
#include "textutil/dbutil.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

static std::string Show(std::string_view Line, std::string_view Separator, int FieldNumber) {
  return testing::PrintToString(std::string(Line)) + " by " +
         testing::PrintToString(std::string(Separator)) + " #" + std::to_string(FieldNumber);
}

TEST(DbutilTest, BracketSeparatorsAreGsRsAndBar) {
  for (int Byte = 0; Byte < 256; ++Byte) {
    SCOPED_TRACE(Byte);
    EXPECT_EQ(Byte == 29 || Byte == 30 || Byte == '|',
              BracketSeparators.Contains(static_cast<unsigned char>(Byte)));
  }
}

// Field 2 by "/", as the filtering of Entries files asks for the entry name.
TEST(DbutilTest, EntriesNameTable) {
  struct TRow {
    std::string_view Line;
    std::string_view Expected;
  };
  const TRow Rows[] = {
      {"/name/1.1/Thu Jan  1 00:00:00 2004//", "name"},
      {"D/sub////", "sub"},
      {"D", ""},
      {"", ""},
      {"/my file.c/1.1//", "my file.c"},  // the space stays
      {"/a\"b/1.1//", "a\"b"},
      {"/\"x\"/1.1//", "\"x\""},  // no parenthesis inside: the quotes stay
      {"/\"(x)\"/1.1//", "(x)"},  // a parenthesis inside: the quotes go
      {"/(x)/1.1//", "x"},
      {"/(\"x\")/1.1//", "\"x\""},      // parentheses go first, then no parenthesis is left
      {"/(a)(b)/1.1//", "(a)(b)"},      // not one enclosing pair
      {"/(\"(x)\")/1.1//", "(x)"},      // parentheses go, then the quotes
      {"/((\"x\"))/1.1//", "(\"x\")"},  // one pair only, so the quotes are not outermost
      {"/\"(x)/1.1//", "\"(x)"},
      {"/\"(x\"/1.1//", "(x"},  // one parenthesis of either kind is enough
      {"/\"x)\"/1.1//", "x)"},
      {"/\"\"/1.1//", "\"\""},
      {"/\"/1.1//", "\""},  // one byte is not a quoted field
      {"/\")\"/1.1//", ")"},
      {"/a/b\rc/", "a"},
      {"/(a/b)/", "(a"},  // '/' is not a bracket separator
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Line)));
    EXPECT_EQ(Row.Expected, ExtractField(Row.Line, "/", 2));
  }
}

TEST(DbutilTest, ExtractFieldTable) {
  struct TRow {
    std::string_view Line;
    std::string_view Separator;
    int FieldNumber;
    std::string_view Expected;
  };
  const TRow Rows[] = {
      {"/name/1.1//", "/", 1, ""},
      {"D/sub////", "/", 1, "D"},
      {"D/sub////", "/", 5, ""},
      {"D/sub////", "/", 6, ""},
      {"D/sub////", "/", 7, ""},
      {"a/b\rc/d", "/", 2, "b\rc"},  // CR and LF are ordinary bytes
      {"a/b\nc/d", "/", 2, "b\nc"},
      // Bracket separators: parentheses outside quotes protect them.
      {"a|(b|c)|d", "|", 2, "b|c"},
      {"a|(b|c)|d", "|", 3, "d"},
      {"a|\"(b|c)\"|d", "|", 2, "\"(b"},  // the separator between the quotes ends the field
      {"a)|b", "|", 1, "a)|b"},           // a stray ')' hides every later separator
      {"a)|b", "|", 2, ""},
      {"x|(y|", "|", 2, "(y"},             // the final separator ends the field though bracketed
      {"a|(b\r|c)|d", "|", 2, "(b\r|c)"},  // found across the CR, but the CR keeps the parentheses
      {"a\x1D(b\x1D"
       "c)\x1D"
       "d",
       "\x1D", 2,
       "b\x1D"
       "c"},
      {"a\x1E(b\x1E"
       "c)\x1E"
       "d",
       "\x1E", 2,
       "b\x1E"
       "c"},
      // Other one-byte separators: plain search.
      {"a,(b,c)", ",", 2, "(b"},
      {"a\t(b\tc)", "\t", 2, "(b"},
      {"(a b) c", " ", 1, "(a"},
      // A space separator swallows the spaces after it, not those at the start.
      {"a   b c", " ", 1, "a"},
      {"a   b c", " ", 2, "b"},
      {"a   b c", " ", 3, "c"},
      {" a b", " ", 1, ""},
      {" a b", " ", 2, "a"},
      {"a b ", " ", 3, ""},
      {"\"a b\" c", " ", 1, "\"a"},
      // Longer separators: plain search left to right.
      {"a::b::c", "::", 1, "a"},
      {"a::b::c", "::", 2, "b"},
      {"a::b::c", "::", 3, "c"},
      {"a::b::c", "::", 4, ""},
      {"::a", "::", 2, "a"},
      {"a::b", "::", 3, ""},
      {"a:::b", "::", 2, ":b"},  // the next search starts after the whole separator
      {"a:b", "::", 1, "a:b"},
      {"a||(b||c)||d", "||", 2, "(b"},  // parentheses protect only one-byte separators
      {"(a)::b", "::", 1, "a"},
      // An empty separator is never found.
      {"abc", "", 1, "abc"},
      {"abc", "", 2, ""},
      {"(abc)", "", 1, "abc"},
      // Field number 0 or less.
      {"a/b", "/", 0, ""},
      {"a/b", "/", -1, ""},
      {"a::b", "::", 0, ""},
      {"abc", "", -1, ""},
      {"a/b", "/", INT_MIN, ""},
      // A huge field number ends once the line is used up.
      {"a/b", "/", INT_MAX, ""},
      {"a::b", "::", INT_MAX, ""},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Show(Row.Line, Row.Separator, Row.FieldNumber));
    EXPECT_EQ(Row.Expected, ExtractField(Row.Line, Row.Separator, Row.FieldNumber));
  }
}

TEST(DbutilTest, LocateFieldTable) {
  struct TRow {
    std::string_view Line;
    std::string_view Separator;
    int FieldNumber;
    int ExpectedStart;
    int ExpectedFinish;
  };
  const TRow Rows[] = {
      // Field number 0 or less.
      {"abc", "/", 0, 1, 0},
      {"abc", "::", -1, 1, 0},
      {"abc", "", INT_MIN, 1, 0},
      // One byte: Finish is the byte before the separator, or one past the end.
      {"/name/1.1//", "/", 2, 2, 5},
      {"/name/1.1//", "/", 1, 1, 0},
      {"D", "/", 2, 2, 2},
      {"", "/", 1, 1, 1},
      {"", "/", 3, 1, 1},
      {"D/sub////", "/", 5, 9, 8},
      {"D/sub////", "/", 6, 10, 10},
      {"a)|b", "|", 1, 1, 5},
      {"x|(y|", "|", 2, 3, 4},  // true at the end: Finish still goes back by 2
      {"a|(b|c)|d", "|", 2, 3, 7},
      {"a   b c", " ", 2, 5, 5},
      {"a   b c", " ", 3, 7, 8},
      {" a b", " ", 1, 1, 0},
      {"a/b", "/", INT_MAX, 4, 4},
      // Longer or empty: past the last field both are the length + 1.
      {"a::b::c", "::", 2, 4, 4},
      {"a::b::c", "::", 3, 7, 7},
      {"a::b::c", "::", 4, 8, 8},
      {"::a", "::", 1, 1, 0},
      {"::a", "::", 2, 3, 3},
      {"a::", "::", 2, 4, 3},
      {"a:::b", "::", 2, 4, 5},
      {"abc", "", 1, 1, 3},
      {"abc", "", 2, 4, 4},
      {"", "::", 1, 1, 0},
      {"", "::", 2, 1, 1},
      {"a::b", "::", INT_MAX, 5, 5},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Show(Row.Line, Row.Separator, Row.FieldNumber));
    int Start = -7;
    int Finish = -7;
    LocateField(Row.Line, Row.Separator, Row.FieldNumber, Start, Finish);
    EXPECT_EQ(Row.ExpectedStart, Start);
    EXPECT_EQ(Row.ExpectedFinish, Finish);
  }
}
