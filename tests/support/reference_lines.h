// The reading rules for text lines, written plainly, to check the line reader against.
#ifndef MORVELLAN_TESTS_SUPPORT_REFERENCE_LINES_H
#define MORVELLAN_TESTS_SUPPORT_REFERENCE_LINES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TReferenceLines {
  std::vector<std::string> Lines;
  std::vector<std::string> RawLines;  // each line's bytes in the text: line end and dropped CRs too
  std::string Tail;                   // what follows the last line: a 0x1A and anything after it
  bool StoppedBeforeEnd = false;      // a 0x1A with bytes after it ended the text

  /// The text without the lines whose Remove(line) holds: what a rewrite leaves.
  template <typename TRemove>
  std::string Without(TRemove Remove) const {
    std::string Kept;
    for (std::size_t Index = 0; Index < Lines.size(); ++Index)
      if (!Remove(Lines[Index])) Kept += RawLines[Index];
    return Kept + Tail;
  }
};

/// The lines of Bytes: LF and CR LF end a line, any other CR is dropped, 0x1A
/// ends the text, and a line end at the very end adds no empty line.
inline TReferenceLines SplitReferenceLines(std::string_view Bytes) {
  TReferenceLines Result;
  std::size_t Pos = 0;
  while (Pos < Bytes.size() && Bytes[Pos] != '\x1A') {
    const std::size_t Start = Pos;
    std::string Line;
    while (Pos < Bytes.size() && Bytes[Pos] != '\x1A') {
      const char Byte = Bytes[Pos++];
      if (Byte == '\n') break;
      if (Byte == '\r') {
        if (Pos < Bytes.size() && Bytes[Pos] == '\n') {
          ++Pos;
          break;
        }
        continue;
      }
      Line += Byte;
    }
    Result.Lines.push_back(std::move(Line));
    Result.RawLines.emplace_back(Bytes.substr(Start, Pos - Start));
  }
  Result.Tail = Bytes.substr(Pos);
  Result.StoppedBeforeEnd = Pos + 1 < Bytes.size();
  return Result;
}

#endif
