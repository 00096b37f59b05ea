// POSIX has no ANSI code page to ask: no byte opens a two-byte character.
#include "platform/code_page.h"

const CharSet& SystemLeadBytes() {
  static const CharSet None;
  return None;
}
