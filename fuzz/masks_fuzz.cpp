// libFuzzer target: compiles any mask and matches any name, without and with two-byte characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ignore/masks.h"
#include "tests/support/code_page_932.h"

static std::string UpperAscii(std::string_view Text) {
  std::string Result(Text);
  for (char& Ch : Result)
    if (Ch >= 'a' && Ch <= 'z') Ch = static_cast<char>(Ch - ('a' - 'A'));
  return Result;
}

// The input is a length byte, that many mask bytes (fewer when the input ends) and the name.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::size_t MaskLength = std::min<std::size_t>(Data[0], Size - 1);
  const std::string_view Mask(reinterpret_cast<const char*>(Data + 1), MaskLength);
  const std::string_view Name(reinterpret_cast<const char*>(Data + 1 + MaskLength),
                              Size - 1 - MaskLength);
  try {
    const TMask Compiled(Mask, CharSet(), true);
    // Folding a to z without two-byte characters, the case of the name's letters cannot change
    // the answer.
    if (Compiled.MatchName(Name) != Compiled.MatchName(UpperAscii(Name))) __builtin_trap();
  } catch (const EMaskException&) {
  }
  try {
    static_cast<void>(TMask(Mask, CodePage932LeadBytes, false).MatchName(Name));
  } catch (const EMaskException&) {
  }
  return 0;
}
