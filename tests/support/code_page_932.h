// The lead bytes of code page 932 (Shift JIS), for testing two-byte characters anywhere.
#ifndef MORVELLAN_TESTS_SUPPORT_CODE_PAGE_932_H
#define MORVELLAN_TESTS_SUPPORT_CODE_PAGE_932_H

#include "platform/char_set.h"

inline constexpr CharSet CodePage932LeadBytes = [] {
  CharSet LeadBytes;
  LeadBytes.AddRange(0x81, 0x9F);
  LeadBytes.AddRange(0xE0, 0xFC);
  return LeadBytes;
}();

#endif
