// Module UTILS: bracket- and quote-aware scanners, parenthesis stripping, character search.
#include "textutil/utils.h"

#include <algorithm>

static constexpr CharSet OpeningParenthesis{'('};
static constexpr CharSet ClosingParenthesis{')'};
static constexpr CharSet DoubleQuote{'"'};

static int ScanLength(std::string_view Text) {
  return static_cast<int>(std::min<std::size_t>(Text.size(), MaxScanLength));
}

static bool IsLineEnd(unsigned char Byte) { return Byte == '\r' || Byte == '\n'; }

// The rules both scanners share: a closing bracket before an opening one,
// brackets before quotes, and inside quotes nothing but the closing quote counts.
static void TrackBracketsAndQuotes(unsigned char Byte, const CharSet& Opening,
                                   const CharSet& Closing, const CharSet& Quotes, int& Depth,
                                   unsigned char& Quote) {
  if (Quote == 0 && Closing.Contains(Byte))
    --Depth;
  else if (Quote == 0 && Opening.Contains(Byte))
    ++Depth;
  else if (Byte == Quote)
    Quote = 0;
  else if (Quote == 0 && Quotes.Contains(Byte))
    Quote = Byte;
}

bool FindClosingBracket(int& Position, std::string_view Text, CharSet Opening, CharSet Closing,
                        CharSet Quotes, bool StopAtLineEnd) {
  const int Length = ScanLength(Text);
  int Depth = 1;
  unsigned char Quote = 0;
  // Callers pass 0 for "from the start"; a negative position is treated alike
  // rather than read before the text.
  if (Position < 1) Position = 1;
  while (Position <= Length && Depth > 0) {
    const unsigned char Byte = static_cast<unsigned char>(Text[Position - 1]);
    if (IsLineEnd(Byte) && StopAtLineEnd)
      Position = Length;
    else
      TrackBracketsAndQuotes(Byte, Opening, Closing, Quotes, Depth, Quote);
    ++Position;
  }
  return Depth <= 0;
}

bool FindDelimiter(int& Position, std::string_view Text, CharSet Opening, CharSet Closing,
                   CharSet Quotes, char Delimiter, bool StopAtLineEnd) {
  const int Length = ScanLength(Text);
  int Depth = 0;
  unsigned char Quote = 0;
  bool Stop = false;
  if (Position < 1) Position = 1;
  // Nothing examined means nothing found, a NUL delimiter included.
  if (Position > Length) return false;
  unsigned char Last = 0;
  while (Position <= Length && !Stop) {
    const unsigned char Byte = static_cast<unsigned char>(Text[Position - 1]);
    Last = Byte;
    if (IsLineEnd(Byte) && StopAtLineEnd)
      Stop = true;
    else if (Byte == static_cast<unsigned char>(Delimiter) && Depth == 0)
      Stop = true;  // even between quotes
    else
      TrackBracketsAndQuotes(Byte, Opening, Closing, Quotes, Depth, Quote);
    ++Position;
  }
  return Last == static_cast<unsigned char>(Delimiter);
}

std::string StripParentheses(std::string_view Text) {
  if (Text.size() > 1 && Text.front() == '(' && Text.back() == ')') {
    int Position = 2;
    // Compared as sizes: past MaxScanLength the partner can never be the last byte.
    if (FindClosingBracket(Position, Text, OpeningParenthesis, ClosingParenthesis, DoubleQuote,
                           true) &&
        static_cast<std::size_t>(Position) == Text.size() + 1)
      return std::string(Text.substr(1, Text.size() - 2));
  }
  return std::string(Text);
}

int CharPosition(char Character, std::string_view Text) {
  const std::size_t Found = Text.substr(0, ScanLength(Text)).find(Character);
  return Found == std::string_view::npos ? 0 : static_cast<int>(Found) + 1;
}
