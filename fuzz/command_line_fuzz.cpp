// libFuzzer target: CutCommandLine on any line, with and without lead bytes, against the rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/arguments.h"
#include "tests/support/code_page_932.h"

static void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

// The rules, one character at a time: the line ends at its first NUL; a lead byte and the byte
// after it form one character, which is never a blank or a quote.
static std::vector<std::string> ReferenceCut(std::string_view Line, const CharSet& LeadBytes) {
  Line = Line.substr(0, Line.find('\0'));
  std::vector<std::string_view> Characters;
  for (std::size_t Pos = 0; Pos < Line.size();) {
    const bool TwoBytes =
        LeadBytes.Contains(static_cast<unsigned char>(Line[Pos])) && Pos + 1 < Line.size();
    Characters.push_back(Line.substr(Pos, TwoBytes ? 2 : 1));
    Pos += Characters.back().size();
  }
  auto IsBlank = [](std::string_view Character) {
    return Character.size() == 1 && static_cast<unsigned char>(Character[0]) <= 0x20;
  };
  auto IsQuote = [](std::string_view Character) { return Character == "\""; };

  std::vector<std::string> Arguments;
  std::size_t At = 0;
  const std::size_t Count = Characters.size();
  for (;;) {
    // Blanks, and pairs of quotes that stand between arguments, come before an argument.
    for (;;) {
      while (At < Count && IsBlank(Characters[At])) ++At;
      if (At + 1 < Count && IsQuote(Characters[At]) && IsQuote(Characters[At + 1]))
        At += 2;
      else
        break;
    }
    if (At == Count) return Arguments;
    std::string Argument;
    bool Quoted = false;
    for (; At < Count && (Quoted || !IsBlank(Characters[At])); ++At) {
      if (IsQuote(Characters[At]))
        Quoted = !Quoted;
      else
        Argument += Characters[At];
    }
    if (!Argument.empty()) Arguments.push_back(Argument);
  }
}

static void CheckCut(std::string_view Line, const CharSet& LeadBytes) {
  const std::vector<std::string> Cut = CutCommandLine(Line, LeadBytes);
  Check(Cut == ReferenceCut(Line, LeadBytes));
  // What the system hands to main goes through the same list that the run reads.
  std::vector<std::string> Copies = Cut;
  std::vector<char*> Values;
  for (std::string& Argument : Copies) Values.push_back(Argument.data());
  Values.push_back(nullptr);
  SetProgramArguments(static_cast<int>(Cut.size()), Values.data());
  const int Count = Cut.empty() ? 0 : static_cast<int>(Cut.size()) - 1;
  Check(ArgumentCount() == Count);
  for (int Index = 1; Index <= Count; ++Index) Check(ArgumentAt(Index) == Cut[Index]);
  Check(ArgumentAt(Count + 1).empty() && ArgumentAt(0).empty());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Line(reinterpret_cast<const char*>(Data), Size);
  CheckCut(Line, CharSet());
  CheckCut(Line, CodePage932LeadBytes);
  return 0;
}
