// The reading rules for text lines, written plainly, to check the line reader against.
#ifndef MORVELLAN_TESTS_SUPPORT_REFERENCE_LINES_H
#define MORVELLAN_TESTS_SUPPORT_REFERENCE_LINES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TReferenceLines {
  std::vector<std::string> Lines;
  bool StoppedBeforeEnd = false;  // a 0x1A with bytes after it ended the text
};

/// The lines of Bytes: LF and CR LF end a line, any other CR is dropped, 0x1A
/// ends the text, and a line end at the very end adds no empty line.
inline TReferenceLines SplitReferenceLines(std::string_view Bytes) {
  TReferenceLines Result;
  std::size_t Pos = 0;
  while (Pos < Bytes.size() && Bytes[Pos] != '\x1A') {
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
  }
  Result.StoppedBeforeEnd = Pos + 1 < Bytes.size();
  return Result;
}

#endif
