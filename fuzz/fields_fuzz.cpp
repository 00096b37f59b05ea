// libFuzzer target: field extraction and the scanners, any separator and sets, against the rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textutil/dbutil.h"
#include "textutil/utils.h"

static void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

namespace reference {

// Positions count from 1 and are wide enough that nothing here can overflow.
using TPos = long long;

static bool IsLineEnd(unsigned char Byte) { return Byte == 13 || Byte == 10; }

static bool FindClosingBracket(TPos& Position, std::string_view Text, const CharSet& Opening,
                               const CharSet& Closing, const CharSet& Quotes, bool StopAtLineEnd) {
  const TPos Length = static_cast<TPos>(Text.size());
  int Depth = 1;
  unsigned char Quote = 0;
  if (Position == 0) Position = 1;
  while (Position <= Length && Depth > 0) {
    const unsigned char C = static_cast<unsigned char>(Text[Position - 1]);
    if (IsLineEnd(C) && StopAtLineEnd)
      Position = Length;
    else if (Quote == 0 && Closing.Contains(C))
      --Depth;
    else if (Quote == 0 && Opening.Contains(C))
      ++Depth;
    else if (C == Quote)
      Quote = 0;
    else if (Quotes.Contains(C) && Quote == 0)
      Quote = C;
    ++Position;
  }
  return Depth <= 0;
}

static bool FindDelimiter(TPos& Position, std::string_view Text, const CharSet& Opening,
                          const CharSet& Closing, const CharSet& Quotes, unsigned char Delimiter,
                          bool StopAtLineEnd) {
  const TPos Length = static_cast<TPos>(Text.size());
  int Depth = 0;
  unsigned char Quote = 0;
  unsigned char Last = 0;
  bool Examined = false;
  bool Stop = false;
  if (Position == 0) Position = 1;
  while (Position <= Length && !Stop) {
    const unsigned char C = static_cast<unsigned char>(Text[Position - 1]);
    Last = C;
    Examined = true;
    if (IsLineEnd(C) && StopAtLineEnd)
      Stop = true;
    else if (C == Delimiter && Depth == 0)
      Stop = true;
    else if (Quote == 0 && Closing.Contains(C))
      --Depth;
    else if (Quote == 0 && Opening.Contains(C))
      ++Depth;
    else if (C == Quote)
      Quote = 0;
    else if (Quotes.Contains(C) && Quote == 0)
      Quote = C;
    ++Position;
  }
  // Morvellan's rule: a scan that examined nothing found nothing, even for a NUL delimiter.
  return Examined && Last == Delimiter;
}

static const CharSet Parenthesis{'('};
static const CharSet Closing{')'};
static const CharSet DoubleQuote{'"'};

static std::string StripParentheses(std::string_view Text) {
  std::string Copy(Text);
  TPos Position = 2;
  if (Copy.size() > 1 && Copy.front() == '(' && Copy.back() == ')' &&
      FindClosingBracket(Position, Copy, Parenthesis, Closing, DoubleQuote, true) &&
      Position == static_cast<TPos>(Copy.size()) + 1)
    Copy = Copy.substr(1, Copy.size() - 2);
  return Copy;
}

static void LocateField(std::string Line, std::string_view Separator, int FieldNumber, TPos& Start,
                        TPos& Finish) {
  if (FieldNumber <= 0) {
    Start = 1;
    Finish = 0;
  } else if (Separator.size() == 1) {
    const unsigned char Character = static_cast<unsigned char>(Separator[0]);
    const bool Bracketed = Character == 29 || Character == 30 || Character == '|';
    const CharSet Opening = Bracketed ? Parenthesis : CharSet();
    const CharSet ClosingSet = Bracketed ? Closing : CharSet();
    const TPos Length = static_cast<TPos>(Line.size());
    Start = 1;
    for (int Repeat = 0; Repeat < FieldNumber - 1; ++Repeat) {
      FindDelimiter(Start, Line, Opening, ClosingSet, DoubleQuote, Character, false);
      if (Character == ' ')
        while (Start <= Length && Line[Start - 1] == ' ') ++Start;
    }
    Finish = Start;
    if (FindDelimiter(Finish, Line, Opening, ClosingSet, DoubleQuote, Character, false))
      Finish -= 2;
  } else {
    const TPos SeparatorLength = static_cast<TPos>(Separator.size());
    int Count = 0;
    Start = 1;
    Finish = 0;
    std::string Rest = Line;
    bool Found;
    do {
      const std::size_t At = Separator.empty() ? std::string::npos : Rest.find(Separator);
      Found = At != std::string::npos;
      if (Found) {
        const TPos P = static_cast<TPos>(At) + 1;
        Finish += P - 1;
        ++Count;
        if (Count < FieldNumber) {
          Start += P + SeparatorLength - 1;
          Finish += SeparatorLength;
          Rest.erase(0, static_cast<std::size_t>(P + SeparatorLength - 1));
        }
      } else {
        Finish += static_cast<TPos>(Rest.size());
      }
    } while (Found && Count < FieldNumber);
    if (FieldNumber - 1 > Count) Start = Finish = static_cast<TPos>(Line.size()) + 1;
  }
}

static std::string ExtractField(std::string_view Line, std::string_view Separator,
                                int FieldNumber) {
  TPos Start = 0;
  TPos Finish = 0;
  LocateField(std::string(Line), Separator, FieldNumber, Start, Finish);
  const TPos Length = static_cast<TPos>(Line.size());
  std::string Field;
  for (TPos Position = Start; Position <= Finish && Position <= Length; ++Position)
    Field += Line[Position - 1];
  Field = StripParentheses(Field);
  const bool HasParenthesis =
      Field.find('(') != std::string::npos || Field.find(')') != std::string::npos;
  if (Field.size() > 1 && Field.front() == '"' && Field.back() == '"' && HasParenthesis)
    Field = Field.substr(1, Field.size() - 2);
  return Field;
}

}  // namespace reference

// Reads the fixed-size head of the input; missing bytes count as zero.
class THead {
 public:
  THead(const std::uint8_t*& Data, std::size_t& Size) : Bytes(Data), Available(Size) {}
  std::uint8_t Next() {
    if (Available == 0) return 0;
    --Available;
    return *Bytes++;
  }
  // Up to three members, their count from the first byte.
  CharSet NextSet() {
    const int Count = Next() % 4;
    CharSet Set;
    for (int Index = 0; Index < 3; ++Index) {
      const std::uint8_t Member = Next();
      if (Index < Count) Set.Add(Member);
    }
    return Set;
  }

 private:
  const std::uint8_t*& Bytes;
  std::size_t& Available;
};

// The input is a head of 19 bytes and the text:
//   field number (signed), separator length (0 to 3, bit 2: stop at line end), 3 separator bytes,
//   scan position, delimiter, then opening, closing and quote sets as count + 3 members.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  THead Head(Data, Size);
  const int FieldNumber = static_cast<std::int8_t>(Head.Next());
  const std::uint8_t Shape = Head.Next();
  std::string Separator;
  for (int Index = 0; Index < 3; ++Index) {
    const char Byte = static_cast<char>(Head.Next());
    if (Index < Shape % 4) Separator += Byte;
  }
  const bool StopAtLineEnd = (Shape & 4) != 0;
  const std::uint8_t PositionByte = Head.Next();
  const char Delimiter = static_cast<char>(Head.Next());
  const CharSet Opening = Head.NextSet();
  const CharSet Closing = Head.NextSet();
  const CharSet Quotes = Head.NextSet();
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);

  int Start = 0;
  int Finish = 0;
  LocateField(Text, Separator, FieldNumber, Start, Finish);
  reference::TPos ExpectedStart = 0;
  reference::TPos ExpectedFinish = 0;
  reference::LocateField(std::string(Text), Separator, FieldNumber, ExpectedStart, ExpectedFinish);
  Check(Start == ExpectedStart && Finish == ExpectedFinish);
  Check(ExtractField(Text, Separator, FieldNumber) ==
        reference::ExtractField(Text, Separator, FieldNumber));
  // The one call the cleanup makes, on every text.
  Check(ExtractField(Text, "/", 2) == reference::ExtractField(Text, "/", 2));

  // Scans from anywhere in the text, up to two past its end.
  const int Position = static_cast<int>(PositionByte % (Text.size() + 3));
  int Scanned = Position;
  reference::TPos ExpectedScanned = Position;
  Check(FindDelimiter(Scanned, Text, Opening, Closing, Quotes, Delimiter, StopAtLineEnd) ==
        reference::FindDelimiter(ExpectedScanned, Text, Opening, Closing, Quotes,
                                 static_cast<unsigned char>(Delimiter), StopAtLineEnd));
  Check(Scanned == ExpectedScanned);
  Scanned = Position;
  ExpectedScanned = Position;
  Check(FindClosingBracket(Scanned, Text, Opening, Closing, Quotes, StopAtLineEnd) ==
        reference::FindClosingBracket(ExpectedScanned, Text, Opening, Closing, Quotes,
                                      StopAtLineEnd));
  Check(Scanned == ExpectedScanned);
  Check(StripParentheses(Text) == reference::StripParentheses(Text));
  return 0;
}
