// Cutting a Windows command line into arguments.
#include "platform/arguments.h"

#include <type_traits>

// One rule for both forms of the command line; only the ANSI form has lead bytes.
template <typename TChar>
static std::vector<std::basic_string<TChar>> Cut(std::basic_string_view<TChar> Line,
                                                 const CharSet& LeadBytes) {
  std::vector<std::basic_string<TChar>> Arguments;
  std::size_t Pos = 0;
  auto CodeAt = [&](std::size_t At) { return static_cast<std::make_unsigned_t<TChar>>(Line[At]); };
  auto IsBlankAt = [&](std::size_t At) { return CodeAt(At) >= 0x01 && CodeAt(At) <= 0x20; };
  auto IsQuoteAt = [&](std::size_t At) { return At < Line.size() && Line[At] == TChar('"'); };
  auto IsPairAt = [&](std::size_t At) {
    if constexpr (sizeof(TChar) == 1)
      return LeadBytes.Contains(CodeAt(At)) && At + 1 < Line.size() && Line[At + 1] != '\0';
    return false;
  };
  for (;;) {
    // Blanks and empty pairs of quotes between arguments are skipped alike.
    for (;;) {
      while (Pos < Line.size() && IsBlankAt(Pos)) ++Pos;
      if (!IsQuoteAt(Pos) || !IsQuoteAt(Pos + 1)) break;
      Pos += 2;
    }
    if (Pos >= Line.size() || Line[Pos] == TChar('\0')) break;
    std::basic_string<TChar> Argument;
    bool InQuotes = false;
    while (Pos < Line.size() && Line[Pos] != TChar('\0') && (InQuotes || !IsBlankAt(Pos))) {
      if (IsQuoteAt(Pos)) {
        InQuotes = !InQuotes;
        ++Pos;
      } else if (IsPairAt(Pos)) {
        Argument.append(Line.substr(Pos, 2));
        Pos += 2;
      } else {
        Argument += Line[Pos++];
      }
    }
    if (!Argument.empty()) Arguments.push_back(std::move(Argument));
  }
  return Arguments;
}

std::vector<std::string> CutCommandLine(std::string_view Line, const CharSet& LeadBytes) {
  return Cut(Line, LeadBytes);
}

std::vector<std::wstring> CutCommandLine(std::wstring_view Line) { return Cut(Line, CharSet{}); }
