// Module dbutil: one numbered field of a separated line, parentheses and quotes honoured.
#include "textutil/dbutil.h"

#include "textutil/utils.h"

static constexpr CharSet OpeningParenthesis{'('};
static constexpr CharSet ClosingParenthesis{')'};
static constexpr CharSet DoubleQuote{'"'};

static void LocateByCharacter(std::string_view Line, char Separator, int FieldNumber, int& Start,
                              int& Finish) {
  // Without bracket sets the quote set changes nothing: quotes only silence bracket counting.
  const bool Bracketed = BracketSeparators.Contains(static_cast<unsigned char>(Separator));
  const CharSet Opening = Bracketed ? OpeningParenthesis : CharSet();
  const CharSet Closing = Bracketed ? ClosingParenthesis : CharSet();
  const int Length = static_cast<int>(Line.size());
  Start = 1;
  // Past the end each further scan examines nothing, so a huge field number ends here cheaply.
  for (int Field = 1; Field < FieldNumber && Start <= Length; ++Field) {
    FindDelimiter(Start, Line, Opening, Closing, DoubleQuote, Separator, false);
    if (Separator == ' ')
      while (Start <= Length && Line[Start - 1] == ' ') ++Start;
  }
  Finish = Start;
  if (FindDelimiter(Finish, Line, Opening, Closing, DoubleQuote, Separator, false)) Finish -= 2;
}

static void LocateBySubstring(std::string_view Line, std::string_view Separator, int FieldNumber,
                              int& Start, int& Finish) {
  int Count = 0;
  Start = 1;
  Finish = 0;
  std::string_view Rest = Line;
  bool Found;
  do {
    // find() reports an empty separator at 0; here it is never found.
    const std::size_t At = Separator.empty() ? std::string_view::npos : Rest.find(Separator);
    Found = At != std::string_view::npos;
    if (Found) {
      const int Position = static_cast<int>(At) + 1;
      const int SeparatorLength = static_cast<int>(Separator.size());
      Finish += Position - 1;
      ++Count;
      if (Count < FieldNumber) {
        Start += Position + SeparatorLength - 1;
        Finish += SeparatorLength;
        Rest.remove_prefix(Position + SeparatorLength - 1);
      }
    } else {
      Finish += static_cast<int>(Rest.size());
    }
  } while (Found && Count < FieldNumber);
  if (FieldNumber - 1 > Count) Start = Finish = static_cast<int>(Line.size()) + 1;
}

void LocateField(std::string_view Line, std::string_view Separator, int FieldNumber, int& Start,
                 int& Finish) {
  Line = Line.substr(0, MaxScanLength);
  if (FieldNumber <= 0) {
    Start = 1;
    Finish = 0;
  } else if (Separator.size() == 1) {
    LocateByCharacter(Line, Separator.front(), FieldNumber, Start, Finish);
  } else {
    LocateBySubstring(Line, Separator, FieldNumber, Start, Finish);
  }
}

std::string ExtractField(std::string_view Line, std::string_view Separator, int FieldNumber) {
  Line = Line.substr(0, MaxScanLength);
  int Start;
  int Finish;
  LocateField(Line, Separator, FieldNumber, Start, Finish);
  const int Length = static_cast<int>(Line.size());
  std::string_view Field;
  if (Start <= Length && Finish >= Start)  // substr stops the field at the end of the line
    Field = Line.substr(Start - 1, Finish - Start + 1);
  std::string Cleaned = StripParentheses(Field);
  if (Cleaned.size() > 1 && Cleaned.front() == '"' && Cleaned.back() == '"' &&
      (CharPosition('(', Cleaned) > 0 || CharPosition(')', Cleaned) > 0)) {
    Cleaned.pop_back();
    Cleaned.erase(0, 1);
  }
  return Cleaned;
}
