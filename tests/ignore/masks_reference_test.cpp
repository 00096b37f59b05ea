// Wildcard masks against a plain recursive matcher that tries every stretch for every star.
#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ignore/masks.h"
#include "tests/support/code_page_932.h"

namespace {

enum class TRefKind { Literal, AnyByte, Set, Pair, End };

struct TRefItem {
  TRefKind Kind = TRefKind::End;
  bool Starred = false;
  unsigned char Byte = 0;  // Literal: upper-cased; Pair: the lead byte as written
  unsigned char Second = 0;
  bool Inverted = false;
  std::bitset<256> Members;
};

struct TRefMask {
  std::string Fault;  // empty when the mask is valid
  bool LimitFault = false;
  std::vector<TRefItem> Items;
};

}  // namespace

// Whether the case being checked folds a to z, as names compare on Windows, or compares exactly.
static bool RefIgnoreCase = true;

static unsigned char RefUpper(unsigned char Byte) {
  return RefIgnoreCase && Byte >= 'a' && Byte <= 'z' ? static_cast<unsigned char>(Byte - 32) : Byte;
}

static TRefMask RefFault(std::string_view Mask, std::size_t Position) {
  TRefMask Result;
  Result.Fault =
      "'" + std::string(Mask) + "' is an invalid mask at (" + std::to_string(Position) + ")";
  return Result;
}

// One pass: a set fault ends it at once; the first position past the limit of starred items is
// only remembered, because a faulty set later in the mask is reported instead.
static TRefMask RefCompile(std::string_view Mask, const CharSet& LeadBytes) {
  Mask = Mask.substr(0, Mask.find('\0'));
  const std::size_t Length = Mask.size();
  auto At = [&](std::size_t Index) { return static_cast<unsigned char>(Mask[Index]); };
  TRefMask Result;
  std::size_t LimitPosition = 0;
  int Starred = 0;
  bool Star = false;
  auto Add = [&](TRefItem Item, std::size_t Position) {
    Item.Starred = Star;
    if (Star && ++Starred == 31) LimitPosition = Position;
    Star = false;
    Result.Items.push_back(Item);
  };
  std::size_t Index = 0;
  while (Index < Length) {
    const unsigned char Byte = At(Index);
    TRefItem Item;
    if (Byte == '*') {
      Star = true;
      ++Index;
    } else if (Byte == '?') {
      if (!Star) {
        Item.Kind = TRefKind::AnyByte;
        Add(Item, Index + 1);
      }
      ++Index;
    } else if (Byte == '[') {
      std::size_t Scan = Index + 1;
      if (Scan < Length && At(Scan) == '!') {
        Item.Inverted = true;
        ++Scan;
      }
      int Previous = -1;
      for (;;) {
        if (Scan >= Length) return RefFault(Mask, Length + 1);
        const unsigned char Member = At(Scan);
        if (Member == ']') break;
        if (LeadBytes.Contains(Member)) {
          if (Scan + 1 >= Length) return RefFault(Mask, Length + 1);
          Scan += 2;
        } else if (Member == '-') {
          if (Previous < 0) return RefFault(Mask, Scan + 1);
          if (Scan + 1 >= Length) return RefFault(Mask, Length + 1);
          for (int Value = Previous; Value <= RefUpper(At(Scan + 1)); ++Value)
            Item.Members.set(Value);
          Scan += 2;
        } else {
          Previous = RefUpper(Member);
          Item.Members.set(Previous);
          ++Scan;
        }
      }
      if (Item.Members.none()) return RefFault(Mask, Scan + 1);
      Item.Kind = TRefKind::Set;
      Add(Item, Scan + 1);
      Index = Scan + 1;
    } else if (LeadBytes.Contains(Byte) && Index + 1 < Length) {
      Item.Kind = TRefKind::Pair;
      Item.Byte = Byte;
      Item.Second = At(Index + 1);
      Add(Item, Index + 2);
      Index += 2;
    } else {
      Item.Kind = TRefKind::Literal;
      Item.Byte = RefUpper(Byte);
      Add(Item, Index + 1);
      ++Index;
    }
  }
  Add(TRefItem(), Length + 1);
  if (LimitPosition != 0) {
    Result = RefFault(Mask, LimitPosition);
    Result.LimitFault = true;
  }
  return Result;
}

static bool RefFits(const TRefItem& Item, std::string_view Name, std::size_t Position) {
  if (Position >= Name.size()) return false;
  const auto Byte = static_cast<unsigned char>(Name[Position]);
  switch (Item.Kind) {
    case TRefKind::Literal:
      return RefUpper(Byte) == Item.Byte;
    case TRefKind::AnyByte:
      return true;
    case TRefKind::Set:
      return Item.Members.test(RefUpper(Byte)) != Item.Inverted;
    case TRefKind::Pair:
      return Position + 1 < Name.size() && Byte == Item.Byte &&
             static_cast<unsigned char>(Name[Position + 1]) == Item.Second;
    case TRefKind::End:
      return false;
  }
  return false;
}

static bool RefMatchFrom(const std::vector<TRefItem>& Items, std::size_t Index,
                         std::string_view Name, std::size_t Position) {
  const TRefItem& Item = Items[Index];
  if (Item.Kind == TRefKind::End) return Item.Starred || Position == Name.size();
  const std::size_t Width = Item.Kind == TRefKind::Pair ? 2 : 1;
  if (!Item.Starred)
    return RefFits(Item, Name, Position) && RefMatchFrom(Items, Index + 1, Name, Position + Width);
  for (std::size_t Start = Position; Start < Name.size(); ++Start)
    if (RefFits(Item, Name, Start) && RefMatchFrom(Items, Index + 1, Name, Start + Width))
      return true;
  return false;
}

static bool RefMatch(const TRefMask& Mask, std::string_view Name) {
  return RefMatchFrom(Mask.Items, 0, Name.substr(0, Name.find('\0')), 0);
}

namespace {

enum class TRefShape { Literal, Prefix, Suffix, Other };

}  // namespace

// Literal items only, with at most a star before the first or one before the end, not both.
static TRefShape ShapeOf(const TRefMask& Mask) {
  if (!Mask.Fault.empty()) return TRefShape::Other;
  const std::size_t Last = Mask.Items.size() - 1;
  for (std::size_t Index = 0; Index < Last; ++Index)
    if (Mask.Items[Index].Kind != TRefKind::Literal || (Index > 0 && Mask.Items[Index].Starred))
      return TRefShape::Other;
  const bool StarFirst = Last > 0 && Mask.Items[0].Starred;
  const bool StarLast = Mask.Items[Last].Starred;
  if (StarFirst && StarLast) return TRefShape::Other;
  return StarFirst ? TRefShape::Suffix : StarLast ? TRefShape::Prefix : TRefShape::Literal;
}

static std::string Printable(std::string_view Text) {
  return testing::PrintToString(std::string(Text));
}

namespace {

class TCaseMaker {
 public:
  std::string Mask() {
    if (Chance(35)) return ShapeMask();
    std::string Result;
    if (Chance(8)) {
      // Near the limit of starred items, with a short tail that may hold a faulty set.
      const int Pairs = Between(27, 32);
      for (int Pair = 0; Pair < Pairs; ++Pair)
        Result += Pick(StarPieces) + (Chance(80) ? Pick(ItemPieces) : Pick(MaskPieces));
    }
    const int Pieces = Between(0, 9);
    for (int Piece = 0; Piece < Pieces; ++Piece) {
      if (Chance(5))
        Result += std::string(Between(3, 12), '*');
      else if (Chance(8))
        Result += static_cast<char>(Between(0x80, 0xFF));
      else
        Result += Pick(MaskPieces);
    }
    return Result;
  }

  // Either random bytes, or a name spelt after the mask so that matches are common.
  std::string Name(std::string_view Mask) {
    std::string Result;
    if (Chance(40)) {
      const int Length = Between(0, 10);
      for (int Index = 0; Index < Length; ++Index) Result += NameByte();
      return Result;
    }
    for (std::size_t Index = 0; Index < Mask.size() && Result.size() < 14; ++Index) {
      const char Ch = Mask[Index];
      if (Ch == '*') {
        for (int Filler = Between(0, 3); Filler > 0; --Filler) Result += NameByte();
      } else if (Ch == '?') {
        Result += NameByte();
      } else if (Ch == '[') {
        const std::size_t Close = Mask.find(']', Index + 2);
        Index = Close == std::string_view::npos ? Mask.size() : Close;
        Result += NameByte();
      } else {
        Result += Chance(30) ? SwapCase(Ch) : Ch;
      }
    }
    if (!Result.empty() && Chance(20)) Result[Between(0, int(Result.size()) - 1)] = NameByte();
    if (!Result.empty() && Chance(10)) Result.erase(Chance(50) ? 0 : Result.size() - 1, 1);
    if (Result.size() > 14) Result.resize(14);
    return Result;
  }

  bool Chance(int Percent) { return Between(0, 99) < Percent; }

 private:
  // A literal alone, after a star or before one: the shapes that the matcher answers without its
  // item search; and their near relatives, which must not be taken for them.
  std::string ShapeMask() {
    std::string Literal;
    for (int Count = Between(0, 6); Count > 0; --Count) Literal += Pick(LiteralPieces);
    switch (Between(0, 7)) {
      case 0:
        return Literal;
      case 1:
      case 2:
        return "*" + Literal;
      case 3:
        return Literal + "*";
      case 4:
        return Pick(StarPieces) + Literal;
      case 5:
        return Literal + Pick(StarPieces);
      case 6:
        return "*" + Literal + "*";
      default:
        return Literal + "?" + Literal;
    }
  }

  int Between(int Low, int High) {
    return std::uniform_int_distribution<int>(Low, High)(Generator);
  }
  const std::string& Pick(const std::vector<std::string>& From) {
    return From[Between(0, int(From.size()) - 1)];
  }
  char NameByte() {
    if (Chance(10)) return static_cast<char>(Between(0x80, 0xFF));
    const std::string& Piece = Pick(NamePieces);
    return Piece.empty() ? '\0' : Piece[0];
  }
  static char SwapCase(char Ch) {
    if (Ch >= 'a' && Ch <= 'z') return static_cast<char>(Ch - 32);
    if (Ch >= 'A' && Ch <= 'Z') return static_cast<char>(Ch + 32);
    return Ch;
  }

  std::mt19937 Generator{20261208};  // fixed start, so every run tests the same cases
  const std::vector<std::string> MaskPieces = {
      "*",    "*",    "?",
      "?",    "[",    "[",
      "[!",   "]",    "!",
      "-",    "a",    "b",
      "z",    "A",    "B",
      "Z",    "_",    "0",
      ".",    " ",    "\x82",
      "\xA0", "\x81", "\xE0",
      "\xFC", "\xE9", "\xC9",
      "[a-",  "*?",   "[a-c]",
      "[!a]", "-]",   std::string(1, '\0'),
  };
  const std::vector<std::string> StarPieces = {"*", "**", "*?", "?*"};
  const std::vector<std::string> LiteralPieces = {
      "a",        "b",
      "z",        "Z",
      "o",        "O",
      ".",        "_",
      "$",        "#",
      "~",        ",",
      "-",        " ",
      "!",        "]",
      "c",        "\x82",
      "\xA0",     "\x81",
      "\xE0",     "\xFC",
      "\x82\xA0", "\xE9",
      "\xC9",     std::string(1, '\0'),
  };
  const std::vector<std::string> ItemPieces = {"a", "b", "A", ".", "[ab]", "[!b]", "\x82\xA0"};
  const std::vector<std::string> NamePieces = {
      "a", "b",    "z",    "A",    "B",    "Z",    "_",    "0", ".", "]", "!", "-",
      " ", "\x82", "\xA0", "\x81", "\xE0", "\xE9", "\xC9", "[", "c", "",  "a",
  };
};

}  // namespace

TEST(MasksReferenceTest, AgreesWithExhaustiveSearch) {
  const CharSet& CodePage932 = CodePage932LeadBytes;
  const CharSet NoLeadBytes;

  TCaseMaker Maker;
  int Matches = 0, Misses = 0, SetFaults = 0, LimitFaults = 0, Disagreements = 0;
  int LiteralShapes = 0, PrefixShapes = 0, SuffixShapes = 0, Keyed = 0;
  const int Cases = 200000;
  for (int Case = 0; Case < Cases && Disagreements < 20; ++Case) {
    const CharSet& LeadBytes = Maker.Chance(50) ? CodePage932 : NoLeadBytes;
    RefIgnoreCase = Maker.Chance(50);
    const std::string Mask = Maker.Mask();
    const std::string Name = Maker.Name(Mask);
    const TRefMask Reference = RefCompile(Mask, LeadBytes);
    const std::string Expected = !Reference.Fault.empty()    ? Reference.Fault
                                 : RefMatch(Reference, Name) ? "match"
                                                             : "miss";
    std::string Actual;
    try {
      Actual = NameMatchesMask(Name, Mask, LeadBytes, RefIgnoreCase) ? "match" : "miss";
    } catch (const EMaskException& Fault) {
      Actual = Fault.Message();
    }
    if (Expected == "match") {
      // The bytes a mask says every matching name begins and ends with must hold for this one.
      const TMask Compiled(Mask, LeadBytes, RefIgnoreCase);
      const std::string_view Cut = std::string_view(Name).substr(0, Name.find('\0'));
      if (Compiled.RequiredFirstByte() >= 0 || Compiled.RequiredLastByte() >= 0) ++Keyed;
      if (Compiled.RequiredFirstByte() >= 0 &&
          (Cut.empty() || Compiled.Fold(Cut.front()) != Compiled.RequiredFirstByte()))
        Actual = "a first byte the mask does not require";
      if (Compiled.RequiredLastByte() >= 0 &&
          (Cut.empty() || Compiled.Fold(Cut.back()) != Compiled.RequiredLastByte()))
        Actual = "a last byte the mask does not require";
    }
    if (Actual != Expected) {
      ++Disagreements;
      ADD_FAILURE() << "mask " << Printable(Mask) << ", name " << Printable(Name) << ", "
                    << (&LeadBytes == &CodePage932 ? "code page 932" : "no lead bytes")
                    << (RefIgnoreCase ? ", case folded" : ", exact case") << ": expected "
                    << Printable(Expected) << ", got " << Printable(Actual);
    }
    switch (ShapeOf(Reference)) {
      case TRefShape::Literal:
        ++LiteralShapes;
        break;
      case TRefShape::Prefix:
        ++PrefixShapes;
        break;
      case TRefShape::Suffix:
        ++SuffixShapes;
        break;
      case TRefShape::Other:
        break;
    }
    if (Expected == "match")
      ++Matches;
    else if (Expected == "miss")
      ++Misses;
    else if (Reference.LimitFault)
      ++LimitFaults;
    else
      ++SetFaults;
  }
  // The stream must reach every outcome often enough to mean something.
  EXPECT_GT(Matches, Cases / 10);
  EXPECT_GT(Misses, Cases / 10);
  EXPECT_GT(SetFaults, Cases / 20);
  EXPECT_GT(LimitFaults, Cases / 400);
  EXPECT_GT(LiteralShapes, Cases / 20);
  EXPECT_GT(PrefixShapes, Cases / 20);
  EXPECT_GT(SuffixShapes, Cases / 20);
  EXPECT_GT(Keyed, Cases / 20);
}
