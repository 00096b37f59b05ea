// The lead bytes of the system's ANSI code page.
#ifndef MORVELLAN_PLATFORM_CODE_PAGE_H
#define MORVELLAN_PLATFORM_CODE_PAGE_H

#include "platform/char_set.h"

/// The bytes that open a two-byte character in the ANSI code page of the
/// user's locale, read once; empty for single-byte code pages and on POSIX.
const CharSet& SystemLeadBytes();

#endif
