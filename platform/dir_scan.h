// Directories held open, and their enumeration. Bodies in posix/ and win32/dir_scan.cpp.
#ifndef MORVELLAN_PLATFORM_DIR_SCAN_H
#define MORVELLAN_PLATFORM_DIR_SCAN_H

#include <cstdint>
#include <string>

#include "platform/file_system.h"

struct TDirectoryState;  // each backend defines it; the core never sees inside
struct TDirScanState;

/// A directory held open. What is opened, listed or deleted through it stays
/// in that directory, whatever is renamed or replaced meanwhile on the path
/// that led to it (POSIX: a descriptor; Windows: a handle held without delete
/// sharing, so that the directory cannot be renamed or removed while held).
class TDirectory {
 public:
  TDirectory() = default;
  ~TDirectory() { Close(); }
  TDirectory(TDirectory&& Other) noexcept : State(Other.State) { Other.State = nullptr; }
  TDirectory& operator=(TDirectory&& Other) noexcept {
    if (this != &Other) {
      Close();
      State = Other.State;
      Other.State = nullptr;
    }
    return *this;
  }
  TDirectory(const TDirectory&) = delete;
  TDirectory& operator=(const TDirectory&) = delete;

  bool IsOpen() const { return State != nullptr; }
  /// Lets the directory go; harmless when not open.
  void Close();

  TDirectoryState* State = nullptr;
};

/// The code OpenSubdirectory gives for an entry that is a symbolic link or
/// another reparse point: it is never followed.
extern const int LinkError;

/// Opens the directory at Path, following links on the way and at its end (a
/// start directory may be a link). 0, or the system's error code (Dir then
/// stays closed).
int OpenDirectory(const std::string& Path, TDirectory& Dir);
/// Opens the subdirectory Name of Parent without following a link: LinkError
/// when Name is a link or reparse point, the system's "not a directory" code
/// when it is something else than a directory.
int OpenSubdirectory(const TDirectory& Parent, const std::string& Name, TDirectory& Dir);
/// Fills Identity for the open directory; false when the system cannot say.
bool DirectoryIdentity(const TDirectory& Dir, TFileIdentity& Identity);

/// One enumeration result and the state of the enumeration.
struct TSearchRec {
  std::string Name;  ///< the entry's name alone
  /// The attribute bits (AttrDirectory, AttrReparsePoint, AttrHidden...).
  /// POSIX listings leave out the read-only bit, which costs a status call
  /// there: ask IsReadOnlyEntry.
  uint32_t Attr = 0;
  /// False when the name cannot be held by the ANSI code page (Windows only):
  /// Name then shows a '?' for each character that cannot be shown, and it
  /// must never be used to reach the entry.
  bool NameInCodePage = true;
  uint32_t ExcludeAttr = 0;
  TDirScanState* State = nullptr;
};

/// The code DirScanFirst and DirScanNext give when the listing has no further
/// entry that qualifies; any other nonzero code is a failure to list.
extern const int DirScanNoMoreEntries;

/// Starts an enumeration of the open directory. Entries carrying one of the
/// bits hidden, system, volume label and directory that AttrSet lacks are
/// passed over. 0 with Rec filled by the first entry that qualifies, otherwise
/// a nonzero code, and then no enumeration stays open. Entries come in the
/// order the system lists them, "." and ".." among them. One enumeration of a
/// directory at a time; Dir must stay open until DirScanClose.
int DirScanFirst(TDirectory& Dir, uint32_t AttrSet, TSearchRec& Rec);
/// 0 with Rec filled by the next entry that qualifies, nonzero at the end.
int DirScanNext(TSearchRec& Rec);
/// Ends the enumeration; calling it twice is harmless.
void DirScanClose(TSearchRec& Rec);
/// Whether the entry that Rec holds is read-only (POSIX: its owner-write bit
/// is clear, one status call; Windows: the bit of the listing).
bool IsReadOnlyEntry(const TDirectory& Dir, const TSearchRec& Rec);

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
