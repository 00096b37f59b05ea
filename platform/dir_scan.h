// Directory enumeration. Bodies in posix/ and win32/dir_scan.cpp.
#ifndef MORVELLAN_PLATFORM_DIR_SCAN_H
#define MORVELLAN_PLATFORM_DIR_SCAN_H

#include <cstdint>
#include <string>

struct TDirScanState;  // each backend defines it; the core never sees inside

/// One enumeration result and the state of the enumeration.
struct TSearchRec {
  std::string Name;  // the entry's name alone
  uint32_t Attr = 0;
  uint32_t ExcludeAttr = 0;
  TDirScanState* State = nullptr;
};

/// The code DirScanFirst and DirScanNext give when the listing has no further
/// entry that qualifies; any other nonzero code is a failure to list.
extern const int DirScanNoMoreEntries;

/// Starts an enumeration of Pattern, a directory path ending in the separator
/// followed by "*". Entries carrying one of the bits hidden, system, volume
/// label and directory that AttrSet lacks are passed over. 0 with Rec filled
/// by the first entry that qualifies, otherwise a nonzero error code, and then
/// no enumeration stays open. Entries come in the order the system lists them.
int DirScanFirst(const std::string& Pattern, uint32_t AttrSet, TSearchRec& Rec);
/// 0 with Rec filled by the next entry that qualifies, nonzero at the end.
int DirScanNext(TSearchRec& Rec);
/// Ends the enumeration; calling it twice is harmless.
void DirScanClose(TSearchRec& Rec);

/// Ends the enumeration when it goes out of scope, also on an exception.
class TDirScanGuard {
 public:
  explicit TDirScanGuard(TSearchRec& Rec) : Guarded(Rec) {}
  ~TDirScanGuard() { DirScanClose(Guarded); }
  TDirScanGuard(const TDirScanGuard&) = delete;
  TDirScanGuard& operator=(const TDirScanGuard&) = delete;

 private:
  TSearchRec& Guarded;
};

#endif
