// Wildcard masks: the matching rules, the faults and where they are reported, two-byte
// characters and the time bound.
#include "ignore/masks.h"
#include "tests/support/code_page_932.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct TMatchRow {
  std::string_view Name;
  std::string_view Mask;
  bool Expected;
};

struct TFaultRow {
  std::string_view Mask;
  std::string_view Message;
};

}  // namespace

// A western code page: no byte opens a two-byte character.
static const CharSet NoLeadBytes;

static std::string Printable(std::string_view Text) {
  return testing::PrintToString(std::string(Text));
}

// The tables compare names as Windows does, a to z and A to Z alike; the exhaustive reference
// test checks exact comparison too.
static void ExpectMatches(const TMatchRow* Begin, const TMatchRow* End, const CharSet& LeadBytes) {
  for (const TMatchRow* Row = Begin; Row != End; ++Row) {
    SCOPED_TRACE("name " + Printable(Row->Name) + ", mask " + Printable(Row->Mask));
    EXPECT_EQ(Row->Expected, NameMatchesMask(Row->Name, Row->Mask, LeadBytes, true));
  }
}

template <std::size_t Count>
static void ExpectMatches(const TMatchRow (&Rows)[Count], const CharSet& LeadBytes = NoLeadBytes) {
  ExpectMatches(Rows, Rows + Count, LeadBytes);
}

// The message of the fault that compiling Mask raises, or "no fault".
static std::string FaultOf(std::string_view Mask, const CharSet& LeadBytes = NoLeadBytes) {
  try {
    TMask Compiled(Mask, LeadBytes);
  } catch (const EMaskException& Fault) {
    EXPECT_EQ("EMaskException", Fault.ClassName());
    return Fault.Message();
  }
  return "no fault";
}

// "match", "miss" or the fault's message; with no LeadBytes, those of the system.
static std::string OutcomeOf(std::string_view Name, std::string_view Mask,
                             const CharSet* LeadBytes = nullptr) {
  try {
    const bool Matches = LeadBytes != nullptr ? NameMatchesMask(Name, Mask, *LeadBytes)
                                              : NameMatchesMask(Name, Mask);
    return Matches ? "match" : "miss";
  } catch (const EMaskException& Fault) {
    return Fault.Message();
  }
}

template <std::size_t Count>
static void ExpectFaults(const TFaultRow (&Rows)[Count], const CharSet& LeadBytes = NoLeadBytes) {
  for (const TFaultRow& Row : Rows) {
    SCOPED_TRACE("mask " + Printable(Row.Mask));
    EXPECT_EQ(Row.Message, FaultOf(Row.Mask, LeadBytes));
  }
}

static std::string Repeated(std::string_view Text, int Count) {
  std::string Result;
  for (int Index = 0; Index < Count; ++Index) Result += Text;
  return Result;
}

TEST(MasksTest, WholeNameMustFit) {
  const TMatchRow Rows[] = {
      {"foo.OBJ", "*.obj", true},
      {".obj", "*.obj", true},
      {"foo.obj.bak", "*.obj", false},
      {"foo.obj", "foo", false},
      {"foo", "foo.obj", false},
      {"x.obj y.exe", "*.obj *.exe", true},  // one mask with a space in it, not two
      {"x.obj", "*.obj *.exe", false},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, OnlyAToZFoldCase) {
  const TMatchRow Rows[] = {
      {"FOO", "foo", true},    {"foo", "FOO", true},
      {"\xC9", "\xE9", false},  // E acute, upper and lower case in the western code page
      {"\xE9", "\xC9", false}, {"\xE9", "\xE9", true},
      {"@", "`", false},  // 0x40 and 0x60 lie just outside the letters
      {"[", "{", false},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, EmptyMaskAndLoneStar) {
  const TMatchRow Rows[] = {
      {"", "", true},          {"a", "", false},  {"", "*", true}, {"anything.at.all", "*", true},
      {"\xFF\x80", "*", true}, {"", "***", true},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, QuestionMarkTakesOneByte) {
  const TMatchRow Rows[] = {
      {"ab", "a?", true},   {"a", "a?", false},  // the end of the name is not a byte
      {"abc", "a?", false}, {"a", "?*", true},    {"abc", "?*", true},
      {"", "?*", false},    {"foo", "f?o", true},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, QuestionMarkAfterStarIsDropped) {
  const TMatchRow Rows[] = {
      {"a", "a*?", true},  {"", "*?", true},   {".c", "*?.c", true}, {"fo", "f*?o", true},
      {"", "*??*?", true}, {"b", "*?b", true},  // not "at least one byte, then b"
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, StarResumesAfterFailedFit) {
  const TMatchRow Rows[] = {
      {"aab", "*ab", true},  // the first 'a' leads nowhere; the search resumes one byte later
      {"a.c.c", "*.c", true},     {"a.c.cx", "*.c", false}, {"xaxxb", "*a*b", true},
      {"ab", "*b*a", false},      {"abcabd", "*ab?", true}, {"abcabd", "*abd*", true},
      {"abcabe", "*abd*", false}, {"aXbXc", "*x*x*", true},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, SetsAndRanges) {
  const TMatchRow Rows[] = {
      {"Bx", "[a-c]x", true},
      {"dx", "[!a-c]x", true},
      {"ax", "[!a-c]x", false},
      {"b", "[!a]", true},
      {"a", "[!a]", false},
      {"", "[!a]", false},  // an inverted set still needs a byte
      {"A", "[a]", true},
      {"b", "[A-C]", true},
      {"z", "[0-z]", true},  // the bound z is folded: the range is '0' to 'Z'
      {"Z", "[0-z]", true},
      {"@", "[0-z]", true},
      {"_", "[0-z]", false},
      {"z", "[z-a]", true},  // a reversed range adds nothing; only the 'z' stays
      {"a", "[z-a]", false},
      {"m", "[z-a]", false},
      {"q", "[a-]]", true},  // ']' is a member only as the bound of a range
      {"]", "[a-]]", true},
      {"^", "[a-]]", false},
      {"b", "[a-]b]", true},
      {"]", "[a-]b]", true},
      {"e", "[a-c-e]", true},  // the second range starts at the previous member, 'a'
      {"c", "[c-a-b]", true},  // nor does a reversed range move the start: 'c' to 'b' adds nothing
      {"b", "[c-a-b]", false},
      {"a", "[c-a-b]", false},
      {"!", "[!!]", false},  // '!' is a member anywhere but directly after '['
      {"a", "[!!]", true},
      {"!", "[a!]", true},
      {"\xE9", "[\xC9]", false},
      {"\xC9", "[\xC0-\xCF]", true},
      {"ab", "[a-b]", false},  // a set takes one byte
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, OrdinaryBytesOutsideSets) {
  const TMatchRow Rows[] = {
      {"a]", "a]", true},           {"A]", "a]", true},
      {"a-b", "a-b", true},         {"!", "!", true},
      {"a b", "a b", true},         {"ab", "a b", false},
      {"a\\b", "a\\b", true},       {"\x82\xA0", "\x82\xA0", true},  // no lead bytes: two literals
      {"\xA0", "[\x82\xA0]", true},
  };
  ExpectMatches(Rows);
}

TEST(MasksTest, MaskAndNameEndAtNul) {
  const TMatchRow Rows[] = {
      {"a", "a\0b"sv, true},      {"ab", "a\0b"sv, false}, {"a\0c"sv, "a"sv, true},
      {"a\0c"sv, "a*c"sv, false}, {"\0a"sv, ""sv, true},
  };
  ExpectMatches(Rows);
  EXPECT_EQ("'[' is an invalid mask at (2)", FaultOf("[\0]"sv));
}

TEST(MasksTest, FaultsInSets) {
  const TFaultRow Rows[] = {
      {"[]", "'[]' is an invalid mask at (2)"},
      {"[!]", "'[!]' is an invalid mask at (3)"},
      {"[", "'[' is an invalid mask at (2)"},
      {"abc[", "'abc[' is an invalid mask at (5)"},
      {"[-a]", "'[-a]' is an invalid mask at (2)"},
      {"[!-a]", "'[!-a]' is an invalid mask at (3)"},
      {"[a-", "'[a-' is an invalid mask at (4)"},
      {"[a-]", "'[a-]' is an invalid mask at (5)"},  // ']' is the bound, so the set is still open
      {"[]a]", "'[]a]' is an invalid mask at (2)"},  // a ']' directly after '[' closes the set
      {"[!", "'[!' is an invalid mask at (3)"},
      {"x[a][]", "'x[a][]' is an invalid mask at (6)"},
      {"[]x[", "'[]x[' is an invalid mask at (2)"},  // the first faulty set is reported
      {"%s[%d", "'%s[%d' is an invalid mask at (6)"},
      {"[a]", "no fault"},
      {"[a-]b]", "no fault"},
  };
  ExpectFaults(Rows);
}

TEST(MasksTest, StarredItemLimit) {
  const std::string Pairs30 = Repeated("*x", 30);
  const std::string Pairs31 = Repeated("*x", 31);
  struct TRow {
    std::string Mask;
    std::string Message;
  };
  auto Fault = [](const std::string& Mask, int Position) {
    return "'" + Mask + "' is an invalid mask at (" + std::to_string(Position) + ")";
  };
  const TRow Rows[] = {
      {Pairs30, "no fault"},
      {Pairs31, Fault(Pairs31, 62)},                // the 31st 'x'
      {Pairs30 + "*", Fault(Pairs30 + "*", 62)},    // the starred end item: mask length + 1
      {Pairs30 + "*?", Fault(Pairs30 + "*?", 63)},  // the dropped '?' leaves the star for the end
      {Pairs30 + "?", "no fault"},                  // '?' is not starred here
      {Pairs30 + "[a]", "no fault"},
      {Pairs30 + "*[a]", Fault(Pairs30 + "*[a]", 64)},  // a set's closing ']'
      {Repeated("**x", 30), "no fault"},                // a run of stars counts once
      {Repeated("*?x", 30) + "x", "no fault"},
      {Pairs31 + "[", Fault(Pairs31 + "[", 64)},  // the open set, not the limit
      {Pairs31 + "[]", Fault(Pairs31 + "[]", 64)},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE("mask '" + Row.Mask + "'");
    EXPECT_EQ(Row.Message, FaultOf(Row.Mask));
  }
  const TMask Compiled(Pairs30);
  EXPECT_TRUE(Compiled.MatchName(Repeated("x", 30)));
  EXPECT_TRUE(Compiled.MatchName(Repeated("ax", 30)));
  EXPECT_FALSE(Compiled.MatchName(Repeated("x", 29)));
  EXPECT_FALSE(Compiled.MatchName(Repeated("x", 30) + "a"));
}

TEST(MasksTest, FaultCarriesClassAndPlace) {
  try {
    TMask Compiled("[a");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& Fault) {
    EXPECT_EQ("EMaskException", Fault.ClassName());
    EXPECT_EQ("'[a' is an invalid mask at (3)", Fault.Message());
    EXPECT_NE(nullptr, Fault.Location());
  }
  EXPECT_THROW(NameMatchesMask("x", "[a"), EMaskException);
}

TEST(MasksTest, DoubleByteCharacters) {
  const TMatchRow Rows[] = {
      {"\x82\xA0", "\x82\xA0", true},
      {"\x82\xA1", "\x82\xA0", false},
      {"\x82"
       "a",
       "\x82"
       "a",
       true},
      {"\x82"
       "A",
       "\x82"
       "a",
       false},                   // the second byte is compared unfolded
      {"\x83[", "\x83[", true},  // '[' as a second byte opens no set
      {"\x95\\", "\x95\\", true},
      {"\x83*", "\x83*", true},  // nor is '*' a wildcard there
      {"\x83xyz", "\x83*", false},
      {"\x82\xA0", "?", false},  // a two-byte character is two bytes to '?'
      {"\x82\xA0", "??", true},
      {"\x82\xA0", "[!a][!a]", true},
      {"\x82\xA0", "\x82\xA0?", false},  // the two-byte item covers both bytes
      {"\x82\xA0x", "\x82\xA0?", true},
      {"\x82", "\x82\xA0", false},
      {"x\x82\xA0", "*\x82\xA0", true},
      {"\x82\x82\xA0", "*\x82\xA0", true},  // the search steps one byte at a time
      {"\x82\xA0x\x82\xA0y", "*\x82\xA0y", true},
      {"\x82\xA0\xA0", "*\x82\xA0", false},
      {"\x82\xA0x", "*\x82\xA0", false},
      {"x\x82", "*\x82\xA0", false},            // a pair cut by the end of the name
      {"\x81\x81\x81x", "*\x81\x81x", true},    // the pair found next overlaps the first one
      {"\x81\x81\x81", "*\x81\x81\x81", true},  // a pair, then a lone lead byte as a literal
      {"a\x82", "a\x82", true},  // a lead byte that ends the mask is an ordinary literal
      {"A\x82", "a\x82", true},
      {"a\x82\xA0", "a\x82", false},
      {"xyz\x82", "*\x82", true},
      {"a", "[a\x82\xA0]", true},  // two-byte characters are never members
      {"\x82", "[a\x82\xA0]", false},
      {"\xA0", "[a\x82\xA0]", false},
      {"\x82", "[a-\x82]", true},  // a lead byte may be a range's bound
      {"\x81", "[a-\x82]", true},
      {"\x83", "[a-\x82]", false},
  };
  ExpectMatches(Rows, CodePage932LeadBytes);
}

TEST(MasksTest, DoubleByteFaults) {
  const std::string Pairs30 = Repeated("*x", 30);
  const TFaultRow Rows[] = {
      {"[\x82\xA0]", "'[\x82\xA0]' is an invalid mask at (4)"},  // no members left
      {"[\x82]", "'[\x82]' is an invalid mask at (4)"},  // the ']' is the second byte: still open
      {"[\x82", "'[\x82' is an invalid mask at (3)"},
      {"[\x82\xA0-a]", "'[\x82\xA0-a]' is an invalid mask at (4)"},  // no previous member
      {"\x83[", "no fault"},
      {"[a-\x82]", "no fault"},
  };
  ExpectFaults(Rows, CodePage932LeadBytes);
  // A starred two-byte item is completed by its second byte; a lone lead byte by itself.
  const std::string WithPair = Pairs30 + "*\x82\xA0";
  EXPECT_EQ("'" + WithPair + "' is an invalid mask at (63)",
            FaultOf(WithPair, CodePage932LeadBytes));
  const std::string WithLead = Pairs30 + "*\x82";
  EXPECT_EQ("'" + WithLead + "' is an invalid mask at (62)",
            FaultOf(WithLead, CodePage932LeadBytes));
}

TEST(MasksTest, OneMaskServesManyNames) {
  const TMask Compiled("*a*b?");
  struct TRow {
    std::string_view Name;
    bool Expected;
  };
  const TRow Rows[] = {
      {"abc", true}, {"ab", false}, {"xaybz", true}, {"bac", false}, {"aab1", true}, {"", false},
  };
  for (int Round = 0; Round < 2; ++Round) {
    for (const TRow& Row : Rows) {
      SCOPED_TRACE(std::string(Row.Name));
      EXPECT_EQ(Row.Expected, Compiled.MatchName(Row.Name));
    }
  }
}

TEST(MasksTest, DefaultLeadBytesAreTheSystems) {
  // Lead bytes of real code pages lie above 0x80, so ASCII masks behave alike everywhere.
  EXPECT_EQ(NamesIgnoreCase, NameMatchesMask("foo.OBJ", "*.obj"));
  EXPECT_FALSE(NameMatchesMask("foo.obj.bak", "*.obj"));
  EXPECT_EQ(NamesIgnoreCase, TMask("[a-c]?").MatchName("Bx"));
  EXPECT_THROW(TMask("[]"), EMaskException);
  // Masks whose meaning depends on the lead bytes agree with the system's set.
  struct TRow {
    std::string_view Name;
    std::string_view Mask;
  };
  const TRow Rows[] = {
      {"\xA0", "[\x82\xA0]"},
      {"\x82\xA0", "*\xA0"},
      {"\x82"
       "A",
       "\x82"
       "a"},
      {"\xE0", "\xE0"},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE("name " + Printable(Row.Name) + ", mask " + Printable(Row.Mask));
    EXPECT_EQ(OutcomeOf(Row.Name, Row.Mask, &SystemLeadBytes()), OutcomeOf(Row.Name, Row.Mask));
  }
}

TEST(MasksTest, PathologicalMasksAnswerAtOnce) {
  struct TRow {
    std::string Name;
    std::string Mask;
    bool Expected;
  };
  const TRow Rows[] = {
      {std::string(200, 'a'), Repeated("*a", 30) + "b", false},
      {std::string(200, 'a') + "b", Repeated("*a", 30) + "b", true},
      {std::string(200, 'a'), Repeated("*a", 29) + "*ab", false},
      {Repeated("ab", 100), Repeated("*[ab]", 29) + "*bb", false},
      {Repeated("ab", 100) + "a", Repeated("*a?", 30), false},
      {Repeated("ab", 100), Repeated("*a?", 30), true},
  };
  for (const TRow& Row : Rows) {
    SCOPED_TRACE("mask '" + Row.Mask + "'");
    const auto Start = std::chrono::steady_clock::now();
    for (int Call = 0; Call < 5; ++Call)
      EXPECT_EQ(Row.Expected, NameMatchesMask(Row.Name, Row.Mask, NoLeadBytes));
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(100));
  }
}
