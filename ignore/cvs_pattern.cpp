// CVS's reading of a .cvsignore pattern: glibc's fnmatch with no flags in the C locale, its edge
// cases included, written out so that every build, MinGW's too, gives the same answer.
#include "ignore/cvs_pattern.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

// glibc gives up on a class name this long.
static constexpr std::size_t MaxClassNameLength = 2048;

// The letters from First (26 of them) become those from Target; every other byte stays.
static constexpr std::array<unsigned char, 256> MakeFolding(unsigned char First,
                                                            unsigned char Target) {
  std::array<unsigned char, 256> Folding{};
  for (unsigned Byte = 0; Byte < 256; ++Byte)
    Folding[Byte] = static_cast<unsigned char>(
        Byte >= First && Byte < First + 26u ? Byte - First + Target : Byte);
  return Folding;
}

static constexpr std::array<unsigned char, 256> NoFolding = MakeFolding('a', 'a');
static constexpr std::array<unsigned char, 256> FoldingDown = MakeFolding('A', 'a');
static constexpr std::array<unsigned char, 256> FoldingUp = MakeFolding('a', 'A');

// The byte at Index, or NUL past the end, where the C string that fnmatch reads would end.
static unsigned char At(std::string_view Text, std::size_t Index) {
  return Index < Text.size() ? static_cast<unsigned char>(Text[Index]) : 0;
}

// fnmatch reads only a to y as a class name's letters; no known name holds a z.
static bool IsClassNameLetter(unsigned char Byte) { return Byte >= 'a' && Byte < 'z'; }

// Whether the C locale's class Name holds Byte; nullopt for a name the C library does not know.
static std::optional<bool> ClassHolds(std::string_view Name, unsigned char Byte) {
  const bool Upper = Byte >= 'A' && Byte <= 'Z';
  const bool Lower = Byte >= 'a' && Byte <= 'z';
  const bool Digit = Byte >= '0' && Byte <= '9';
  const bool Graph = Byte > ' ' && Byte < 0x7F;
  if (Name == "alpha") return Upper || Lower;
  if (Name == "digit") return Digit;
  if (Name == "alnum") return Upper || Lower || Digit;
  if (Name == "upper") return Upper;
  if (Name == "lower") return Lower;
  if (Name == "space") return Byte == ' ' || (Byte >= '\t' && Byte <= '\r');
  if (Name == "blank") return Byte == ' ' || Byte == '\t';
  if (Name == "punct") return Graph && !(Upper || Lower || Digit);
  if (Name == "print") return Graph || Byte == ' ';
  if (Name == "graph") return Graph;
  if (Name == "cntrl") return Byte < ' ' || Byte == 0x7F;
  if (Name == "xdigit") return Digit || ((Byte | 0x20) >= 'a' && (Byte | 0x20) <= 'f');
  return std::nullopt;
}

// The index of the '.' that ends the collating symbol whose text starts at First, or nullopt
// when no ".]" follows.
static std::optional<std::size_t> SymbolEnd(std::string_view Pattern, std::size_t First) {
  for (std::size_t Index = First;; ++Index) {
    if (At(Pattern, Index) == '.' && At(Pattern, Index + 1) == ']') return Index;
    if (At(Pattern, Index) == 0) return std::nullopt;
  }
}

// Reads the collating symbol whose '.' is Pattern[Dot] and leaves Dot after its ".]". Only a
// symbol of one byte is known in the C locale.
static std::optional<unsigned char> ReadSymbol(std::string_view Pattern, std::size_t& Dot) {
  const std::optional<std::size_t> End = SymbolEnd(Pattern, Dot + 1);
  if (!End || *End != Dot + 2) return std::nullopt;
  const unsigned char Symbol = At(Pattern, Dot + 1);
  Dot = *End + 2;
  return Symbol;
}

// Reads the member or range that starts with C, before Pattern[P], and leaves P after it.
// Returns whether it holds Byte, or nullopt when it fails the byte whatever follows.
static std::optional<bool> ReadMember(std::string_view Pattern, unsigned char C, std::size_t& P,
                                      unsigned char Byte, const unsigned char* Fold) {
  unsigned char Low = C;
  bool IsSymbol = false;
  if (C == '\\') {
    if (At(Pattern, P) == 0) return std::nullopt;
    Low = At(Pattern, P++);
  } else if (C == '[' && At(Pattern, P) == '.') {
    const std::optional<unsigned char> Symbol = ReadSymbol(Pattern, P);
    if (!Symbol) return std::nullopt;
    Low = *Symbol;
    IsSymbol = true;
  }
  Low = Fold[Low];
  // fnmatch expects a range, and so does not compare the start alone, on a '-' and a byte; after
  // a symbol that byte may even be the closing ']', although no range is read then.
  const bool RangeExpected =
      At(Pattern, P) == '-' && At(Pattern, P + 1) != 0 && (IsSymbol || At(Pattern, P + 1) != ']');
  if (!RangeExpected && Low == Byte) return true;
  if (At(Pattern, P) != '-' || At(Pattern, P + 1) == ']') return false;
  ++P;
  unsigned char High = At(Pattern, P++);
  if (High == '[' && At(Pattern, P) == '.') {
    const std::optional<unsigned char> Symbol = ReadSymbol(Pattern, P);
    if (!Symbol) return std::nullopt;
    High = *Symbol;
  } else if (High == '\\') {
    High = At(Pattern, P++);
  }
  if (High == 0) return std::nullopt;
  // By byte value, so a reversed range holds nothing.
  return Low <= Byte && Byte <= Fold[High];
}

// The number of letters that may form a class name after Pattern[Colon], at most Limit.
static std::size_t ClassNameLength(std::string_view Pattern, std::size_t Colon, std::size_t Limit) {
  std::size_t Length = 0;
  while (Length < Limit && IsClassNameLetter(At(Pattern, Colon + 1 + Length))) ++Length;
  return Length;
}

static bool ClosesClass(std::string_view Pattern, std::size_t Colon, std::size_t Length) {
  return At(Pattern, Colon + 1 + Length) == ':' && At(Pattern, Colon + 2 + Length) == ']';
}

// Whether an equivalence class of one byte, "=c=]", starts at Pattern[Equals].
static bool IsEquivalence(std::string_view Pattern, std::size_t Equals) {
  return At(Pattern, Equals) == '=' && At(Pattern, Equals + 1) != 0 &&
         At(Pattern, Equals + 2) == '=' && At(Pattern, Equals + 3) == ']';
}

// Reads the bracket expression whose '[' is Pattern[Open] for the folded name byte Byte, as
// fnmatch does: once a member fits, the rest is only skipped, with other checks, so a fault
// before the fitting member fails the byte and one after it may not. Returns where the pattern
// goes on when the expression takes the byte, or nullopt.
static std::optional<std::size_t> ReadBracket(std::string_view Pattern, std::size_t Open,
                                              unsigned char Byte, const unsigned char* Fold) {
  // Without a closing ']' the '[' is an ordinary byte.
  const std::optional<std::size_t> AsLiteral =
      Byte == '[' ? std::optional<std::size_t>(Open + 1) : std::nullopt;
  std::size_t P = Open + 1;
  const bool Negated = At(Pattern, P) == '!' || At(Pattern, P) == '^';
  if (Negated) ++P;
  // The first member may be a ']'; P is always the index after C.
  unsigned char C = At(Pattern, P++);
  for (;;) {
    if (C == 0) return AsLiteral;
    const bool OpensClass = C == '[' && At(Pattern, P) == ':';
    const std::size_t Length = OpensClass ? ClassNameLength(Pattern, P, MaxClassNameLength) : 0;
    if (Length == MaxClassNameLength) return std::nullopt;
    std::optional<bool> Holds;
    if (OpensClass && ClosesClass(Pattern, P, Length)) {
      Holds = ClassHolds(Pattern.substr(P + 1, Length), Byte);
      P += Length + 3;
    } else if (C == '[' && IsEquivalence(Pattern, P)) {
      Holds = Fold[At(Pattern, P + 1)] == Byte;
      P += 4;
    } else {
      // Anything else, a "[:" or "[=" that opens no class included, is an ordinary member.
      Holds = ReadMember(Pattern, C, P, Byte, Fold);
    }
    if (!Holds) return std::nullopt;
    if (*Holds) break;
    C = At(Pattern, P++);
    if (C == ']') return Negated ? std::optional<std::size_t>(P) : std::nullopt;
  }
  for (C = At(Pattern, P++); C != ']'; C = At(Pattern, P++)) {
    if (C == 0) return AsLiteral;
    if (C == '\\') {
      if (At(Pattern, P++) == 0) return std::nullopt;
    } else if (C == '[' && At(Pattern, P) == ':') {
      // Here the byte after the name counts towards the limit, and the name is not looked up.
      const std::size_t Length = ClassNameLength(Pattern, P, MaxClassNameLength - 1);
      if (Length == MaxClassNameLength - 1) return std::nullopt;
      if (ClosesClass(Pattern, P, Length)) P += Length + 3;
    } else if (C == '[' && At(Pattern, P) == '=') {
      if (!IsEquivalence(Pattern, P)) return std::nullopt;
      P += 4;
    } else if (C == '[' && At(Pattern, P) == '.') {
      const std::optional<std::size_t> End = SymbolEnd(Pattern, P + 1);
      if (!End) return std::nullopt;
      P = *End + 2;
    }
  }
  return Negated ? std::nullopt : std::optional<std::size_t>(P);
}

// Every item of the pattern but '*' takes exactly one byte, so after a failure only the last
// '*' needs to take one byte more: no deeper backtracking, and the time stays within the two
// lengths' product times the longest bracket expression's length.
static bool MatchFolded(std::string_view Pattern, std::string_view Name,
                        const unsigned char* Fold) {
  constexpr std::size_t NoStar = std::string_view::npos;
  std::size_t P = 0;
  std::size_t N = 0;
  std::size_t AfterStar = NoStar;
  std::size_t StarTaken = 0;  // where the name stood when the last '*' was met
  for (;;) {
    if (P < Pattern.size() && Pattern[P] == '*') {
      AfterStar = ++P;
      StarTaken = N;
      continue;
    }
    if (P == Pattern.size() && N == Name.size()) return true;
    std::optional<std::size_t> NextP;  // set when the item at P takes the byte at N
    if (P < Pattern.size() && N < Name.size()) {
      const unsigned char Byte = Fold[static_cast<unsigned char>(Name[N])];
      const unsigned char Item = At(Pattern, P);
      if (Item == '[') {
        NextP = ReadBracket(Pattern, P, Byte, Fold);
      } else if (Item == '\\') {
        // A '\' that ends the pattern matches nothing.
        if (P + 1 < Pattern.size() && Fold[At(Pattern, P + 1)] == Byte) NextP = P + 2;
      } else if (Item == '?' || Fold[Item] == Byte) {
        NextP = P + 1;
      }
    }
    if (NextP) {
      P = *NextP;
      ++N;
    } else if (AfterStar != NoStar && StarTaken < Name.size()) {
      P = AfterStar;
      N = ++StarTaken;
    } else {
      return false;
    }
  }
}

static std::string_view UpToNul(std::string_view Text) { return Text.substr(0, Text.find('\0')); }

bool CvsPatternMatches(std::string_view Pattern, std::string_view Name, bool IgnoreCase) {
  Pattern = UpToNul(Pattern);
  Name = UpToNul(Name);
  if (!IgnoreCase) return MatchFolded(Pattern, Name, NoFolding.data());
  // Which way CVSNT folds is not known, and a range such as [_-z] holds other letters folded
  // down than folded up, so a name must match both ways.
  return MatchFolded(Pattern, Name, FoldingDown.data()) &&
         MatchFolded(Pattern, Name, FoldingUp.data());
}
