// libFuzzer target: compiles any mask and matches any name, without and with two-byte characters,
// and holds CVS's reading of the mask to the C library's fnmatch.
#include <fnmatch.h>
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ignore/cvs_pattern.h"
#include "ignore/masks.h"
#include "tests/support/code_page_932.h"

static std::string UpperAscii(std::string_view Text) {
  std::string Result(Text);
  for (char& Ch : Result)
    if (Ch >= 'a' && Ch <= 'z') Ch = static_cast<char>(Ch - ('a' - 'A'));
  return Result;
}

// With POSIXLY_CORRECT set fnmatch takes "[^" for a member; CVS is matched as it runs without it.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  unsetenv("POSIXLY_CORRECT");
  return 0;
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
  // fnmatch reads C strings, so both texts end at their first NUL.
  const std::string MaskText(Mask.substr(0, Mask.find('\0')));
  const std::string NameText(Name.substr(0, Name.find('\0')));
  if (CvsPatternMatches(Mask, Name, false) != (fnmatch(MaskText.c_str(), NameText.c_str(), 0) == 0))
    __builtin_trap();
  if (CvsPatternMatches(Mask, Name, true) != CvsPatternMatches(Mask, UpperAscii(Name), true))
    __builtin_trap();
  return 0;
}
