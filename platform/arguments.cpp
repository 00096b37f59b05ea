// Cutting a Windows command line into arguments.
#include "platform/arguments.h"

static bool IsBlank(unsigned char Byte) { return Byte >= 0x01 && Byte <= 0x20; }

std::vector<std::string> CutCommandLine(std::string_view Line, const CharSet& LeadBytes) {
  std::vector<std::string> Arguments;
  std::size_t Pos = 0;
  auto ByteAt = [&](std::size_t At) { return static_cast<unsigned char>(Line[At]); };
  for (;;) {
    // Blanks and empty pairs of quotes between arguments are skipped alike.
    for (;;) {
      while (Pos < Line.size() && IsBlank(ByteAt(Pos))) ++Pos;
      if (Line.substr(Pos, 2) != "\"\"") break;
      Pos += 2;
    }
    if (Pos >= Line.size() || Line[Pos] == '\0') break;
    std::string Argument;
    bool InQuotes = false;
    while (Pos < Line.size() && Line[Pos] != '\0' && (InQuotes || !IsBlank(ByteAt(Pos)))) {
      if (Line[Pos] == '"') {
        InQuotes = !InQuotes;
        ++Pos;
      } else if (LeadBytes.Contains(ByteAt(Pos)) && Pos + 1 < Line.size() && Line[Pos + 1] != '\0') {
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
