// Expected output in the platform's line end.
#ifndef MORVELLAN_TESTS_SUPPORT_LINE_END_H
#define MORVELLAN_TESTS_SUPPORT_LINE_END_H

#include <string>
#include <string_view>

#include "platform/raw_file.h"

/// The text with every LF turned into the line end Morvellan writes here.
inline std::string Written(std::string_view Text) {
  std::string Result;
  for (char Byte : Text) {
    if (Byte == '\n') {
      Result += LineEnd;
    } else {
      Result += Byte;
    }
  }
  return Result;
}

#endif
