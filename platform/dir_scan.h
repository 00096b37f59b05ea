// Directory enumeration. Bodies in posix/ and win32/dir_scan.cpp.
#ifndef MORVELLAN_PLATFORM_DIR_SCAN_H
#define MORVELLAN_PLATFORM_DIR_SCAN_H

#include <cstdint>
#include <string>

#include "platform/file_system.h"

struct TDirScanState;  // each backend defines it; the core never sees inside
struct TSearchRec;

/// An entry's attribute word, read like a uint32_t. Where the listing lacks
/// the read-only bit (POSIX keeps it in the permissions, one system call per
/// entry), the backend leaves that bit to be looked up when a read first asks
/// for it, so that `Attr & AttrDirectory` costs no call. Read the word before
/// DirScanClose of its record; a copy holds the whole word.
class TAttrWord {
 public:
  /// Whether the entry that Rec holds is read-only.
  using TReadOnlyLookUp = bool (*)(const TSearchRec& Rec);

  TAttrWord() = default;
  TAttrWord(uint32_t Word) : Word(Word) {}
  TAttrWord(const TAttrWord& Other) : Word(Other) {}
  TAttrWord& operator=(const TAttrWord& Other) {
    Word = Other;
    LookUp = nullptr;
    return *this;
  }
  /// Sets the word to Known, which lacks the read-only bit; LookUp(Rec) gives
  /// that bit when a read asks for it.
  void Defer(uint32_t Known, TReadOnlyLookUp LookUp, const TSearchRec& Rec) {
    Word = Known;
    this->LookUp = LookUp;
    this->Rec = &Rec;
  }

  operator uint32_t() const { return *this & ~uint32_t{0}; }
  /// Only the bits asked for; the read-only bit is looked up only when it is among them.
  uint32_t operator&(uint32_t Bits) const {
    if (LookUp != nullptr && (Bits & AttrReadOnly)) {
      if (LookUp(*Rec)) Word |= AttrReadOnly;
      LookUp = nullptr;
    }
    return Word & Bits;
  }

 private:
  mutable uint32_t Word = 0;
  mutable TReadOnlyLookUp LookUp = nullptr;
  const TSearchRec* Rec = nullptr;
};

/// One enumeration result and the state of the enumeration.
struct TSearchRec {
  std::string Name;  // the entry's name alone
  TAttrWord Attr;
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
