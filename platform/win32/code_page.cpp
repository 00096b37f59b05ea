// The lead bytes of the ANSI code page, as the system reports them.
#include "platform/code_page.h"

#include <windows.h>

const CharSet& SystemLeadBytes() {
  static const CharSet LeadBytes = [] {
    CharSet Set;
    CPINFO Info;
    if (!GetCPInfo(CP_ACP, &Info)) return Set;
    for (int Range = 0; Range + 1 < MAX_LEADBYTES && Info.LeadByte[Range] != 0; Range += 2)
      Set.AddRange(Info.LeadByte[Range], Info.LeadByte[Range + 1]);
    return Set;
  }();
  return LeadBytes;
}
