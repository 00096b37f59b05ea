// Bracket- and quote-aware scanners, parenthesis stripping and character search.
#include "textutil/utils.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace std::string_view_literals;

static constexpr CharSet Parens{'('};
static constexpr CharSet CloseParens{')'};
static constexpr CharSet Quote{'"'};

static std::string Show(std::string_view Text, int Position) {
  return testing::PrintToString(std::string(Text)) + " from " + std::to_string(Position);
}

TEST(UtilsTest, FindClosingBracketTable) {
  struct TRow {
    std::string_view Text;
    int Position;
    bool StopAtLineEnd;
    bool Expected;
    int ExpectedPosition;
  };
  const TRow Rows[] = {
      {"(a(b)c)d", 2, true, true, 8},  // one past the partner
      {"(a)x", 3, true, true, 4},
      {"((a)b)", 1, true, false, 7},  // the scan starts inside one bracket already
      {")x", 0, true, true, 2},       // position 0 counts as 1
      {")x", -3, true, true, 2},      // so does a negative one
      {"", 0, true, false, 1},
      {"(a(b)", 2, true, false, 6},     // unbalanced: one past the end
      {"(a\rb)", 2, true, false, 6},    // CR ends the scan
      {"(a\nb)", 2, true, false, 6},    // so does LF
      {"(a\rb)", 2, false, true, 6},    // unless line ends are ordinary
      {"(\"\r\")", 2, true, false, 6},  // also between quotes
      {"(a\")\"b)", 2, true, true, 8},  // the quoted ')' is text
      {"(\"))", 2, true, false, 5},     // an unclosed quote hides every bracket after it
      {"(ab)", 5, true, false, 5},      // beyond the end: nothing examined
      {"(ab)", 9, true, false, 9},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Show(Row.Text, Row.Position) + (Row.StopAtLineEnd ? " stop" : ""));
    int Position = Row.Position;
    EXPECT_EQ(Row.Expected, FindClosingBracket(Position, Row.Text, Parens, CloseParens, Quote,
                                               Row.StopAtLineEnd));
    EXPECT_EQ(Row.ExpectedPosition, Position);
  }
}

TEST(UtilsTest, FindDelimiterTable) {
  struct TRow {
    std::string_view Text;
    int Position;
    char Delimiter;
    bool StopAtLineEnd;
    bool Expected;
    int ExpectedPosition;
  };
  const TRow Rows[] = {
      {"a(b|c)|d", 1, '|', false, true, 8},  // a delimiter inside brackets does not stop
      {"a\"b|c\"", 1, '|', false, true, 5},  // a delimiter between quotes does
      {"\"(|\"|", 1, '|', false, true, 4},   // brackets between quotes are not counted
      {"a)|b", 1, '|', false, false, 5},     // a stray ')' leaves depth -1 for good
      {"abc", 1, '|', false, false, 4},
      {"", 1, '|', false, false, 1},
      {"ab|", 1, '|', false, true, 4},
      {"a(b|", 1, '|', false, true, 5},    // the final byte is the delimiter, bracket open
      {"(a)b)|", 1, '|', false, true, 7},  // and with the depth below 0
      {"a|b|c", 3, '|', false, true, 5},
      {"|a", 0, '|', false, true, 2},    // position 0 counts as 1
      {"|a", -2, '|', false, true, 2},   // so does a negative one
      {"abc", 4, '|', false, false, 4},  // beyond the end: nothing examined
      {"abc", 7, '|', false, false, 7},
      {"abc", 4, '\0', false, false, 4},  // nothing examined is not a NUL found
      {"a\0b"sv, 1, '\0', false, true, 3},
      {"ab\r|c", 1, '|', true, false, 4},  // CR stops the scan
      {"ab\n|c", 1, '|', true, false, 4},
      {"ab\r|c", 1, '|', false, true, 5},  // unless line ends are ordinary
      {"a\r", 1, '\r', true, true, 3},     // a line end that is the delimiter is found
      {"(a)b)c", 1, ')', false, true, 6},  // a delimiter at depth 1 closes; at depth 0 it stops
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Show(Row.Text, Row.Position) + " for " + testing::PrintToString(Row.Delimiter) +
                 (Row.StopAtLineEnd ? " stop" : ""));
    int Position = Row.Position;
    EXPECT_EQ(Row.Expected, FindDelimiter(Position, Row.Text, Parens, CloseParens, Quote,
                                          Row.Delimiter, Row.StopAtLineEnd));
    EXPECT_EQ(Row.ExpectedPosition, Position);
  }
}

TEST(UtilsTest, FindDelimiterWithoutBracketsIsPlainSearch) {
  int Position = 1;
  EXPECT_TRUE(FindDelimiter(Position, "a(b,c)", CharSet(), CharSet(), Quote, ',', false));
  EXPECT_EQ(5, Position);
}

// Rules shared by both scanners, with sets other than the parentheses; delimiter ','.
TEST(UtilsTest, ScannersTestClosingBeforeOpeningBeforeQuotes) {
  struct TRow {
    bool ClosingBracketScan;  // FindClosingBracket, otherwise FindDelimiter
    std::string_view Text;
    CharSet Opening;
    CharSet Closing;
    CharSet Quotes;
    bool Expected;
    int ExpectedPosition;
  };
  const TRow Rows[] = {
      {true, "|x", {'|'}, {'|'}, {}, true, 2},  // a byte in both bracket sets closes
      {false, "<|,x", {'<', '|'}, {'|'}, {}, true, 4},
      {true, "a'b", {'('}, {')', '\''}, {'\''}, true, 3},  // a bracket that is a quote too is a
                                                           // bracket
      {false, "'a,b", {'\''}, {')'}, {'\''}, false, 5},
      {true, "\"a')\"b)", {'('}, {')'}, {'"', '\''}, true, 8},  // quotes end only at their opener
      {false, "'\"'(,),", {'('}, {')'}, {'"', '\''}, true, 8},  // and another quote byte is text
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Show(Row.Text, 1));
    int Position = 1;
    const bool Found =
        Row.ClosingBracketScan
            ? FindClosingBracket(Position, Row.Text, Row.Opening, Row.Closing, Row.Quotes, false)
            : FindDelimiter(Position, Row.Text, Row.Opening, Row.Closing, Row.Quotes, ',', false);
    EXPECT_EQ(Row.Expected, Found);
    EXPECT_EQ(Row.ExpectedPosition, Position);
  }
}

TEST(UtilsTest, StripParenthesesTable) {
  struct TRow {
    std::string_view Text;
    std::string_view Expected;
  };
  const TRow Rows[] = {
      {"(abc)", "abc"},
      {"((a))", "(a)"},  // one pair only
      {"()", ""},
      {"(a)(b)", "(a)(b)"},  // the first '(' closes before the end
      {"(a))", "(a))"},
      {"((a)", "((a)"},
      {"(", "("},
      {")", ")"},
      {"(\"a)\")", "\"a)\""},  // the quoted ')' is text
      {"(a\"b)", "(a\"b)"},    // an unclosed quote hides the last ')'
      {"(a\rb)", "(a\rb)"},    // a line end between the parentheses blocks the removal
      {"(a\nb)", "(a\nb)"},
      {"abc", "abc"},
      {"x(a)", "x(a)"},
      {"(a)x", "(a)x"},
      {"", ""},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(Row.Text)));
    EXPECT_EQ(Row.Expected, StripParentheses(Row.Text));
  }
}

TEST(UtilsTest, CharPositionTable) {
  struct TRow {
    char Character;
    std::string_view Text;
    int Expected;
  };
  const TRow Rows[] = {
      {'(', "a(b(c", 2},  // the first of several
      {')', "a(b(c", 0},   {'x', "", 0},
      {'a', "abca", 1},    {'\xE9', "x\xE9", 2},  // bytes above 127 compare as bytes
      {'\0', "a\0b"sv, 2},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(testing::PrintToString(Row.Character) + " in " +
                 testing::PrintToString(std::string(Row.Text)));
    EXPECT_EQ(Row.Expected, CharPosition(Row.Character, Row.Text));
  }
}
