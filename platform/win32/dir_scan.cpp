// Win32 directories held as handles that deny deletion, so that they can be neither renamed nor
// removed while held, and listed through those handles with the attribute words the system gives.
#include "platform/dir_scan.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/win32/directory.h"
#include "platform/win32/wide.h"

const int DirScanNoMoreEntries = ERROR_NO_MORE_FILES;
// Windows' code for a reparse point that is not followed (MinGW lacks ERROR_STOPPED_ON_SYMLINK, and
// Wine has no text for it).
const int LinkError = ERROR_CANT_ACCESS_FILE;

struct TDirectoryState {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  std::wstring Path;  // the "\\?\" path that the entries' paths are built on
  std::wstring Name;  // HandleName
};

// 64 KiB is the most that a file server hands over in one listing request.
static constexpr DWORD ListingBlockSize = 64 * 1024;

struct TDirScanState {
  HANDLE Directory = INVALID_HANDLE_VALUE;
  FILE_INFO_BY_HANDLE_CLASS NextClass = FileFullDirectoryInfo;
  std::size_t NameOffset = offsetof(FILE_FULL_DIR_INFO, FileName);
  DWORD Position = ListingBlockSize;  // of the next entry in Block; ListingBlockSize when used up
  alignas(8) unsigned char Block[ListingBlockSize];
};

void TDirectory::Close() {
  if (State == nullptr) return;
  CloseHandle(State->Handle);
  delete State;
  State = nullptr;
}

bool EntryPath(const TDirectory& Dir, const std::string& Name, std::wstring& Path) {
  std::wstring WideName;
  if (!Dir.IsOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!ToWide(Name, WideName)) return false;
  if (WideName.empty() ||
      WideName.find_first_of(std::wstring_view(L"\\/\0", 3)) != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  Path = Dir.State->Path;
  if (!Path.ends_with(L'\\')) Path += L'\\';
  Path += WideName;
  return true;
}

std::wstring HandleName(HANDLE Handle) {
  std::vector<DWORD> Buffer(1024);
  for (;;) {
    auto* Info = reinterpret_cast<FILE_NAME_INFO*>(Buffer.data());
    const std::size_t Size = Buffer.size() * sizeof(DWORD);
    if (GetFileInformationByHandleEx(Handle, FileNameInfo, Info, static_cast<DWORD>(Size)))
      return std::wstring(Info->FileName, Info->FileNameLength / sizeof(wchar_t));
    const std::size_t Needed = sizeof(FILE_NAME_INFO) + Info->FileNameLength;
    if (GetLastError() != ERROR_MORE_DATA || Needed <= Size) return std::wstring();
    Buffer.resize(Needed / sizeof(DWORD) + 1);
  }
}

const std::wstring& DirectoryName(const TDirectory& Dir) { return Dir.State->Name; }

// A name without the trailing dots and blanks that Wine leaves out of the names it gives.
static std::wstring_view WithoutTrailingDots(std::wstring_view Name) {
  while (Name.ends_with(L'.') || Name.ends_with(L' ')) Name.remove_suffix(1);
  return Name;
}

bool IsEntryItself(HANDLE Handle, std::wstring_view Path, std::wstring_view DirectoryName) {
  const std::wstring Own = HandleName(Handle);
  if (Own.empty() || DirectoryName.empty()) return true;
  std::wstring Expected(DirectoryName);
  if (!Expected.ends_with(L'\\')) Expected += L'\\';
  Expected += WithoutTrailingDots(Path.substr(Path.rfind(L'\\') + 1));
  const std::wstring_view Given = WithoutTrailingDots(Own);
  return CompareStringOrdinal(Given.data(), static_cast<int>(Given.size()), Expected.data(),
                              static_cast<int>(Expected.size()), TRUE) == CSTR_EQUAL;
}

// Shared for reading and writing but not for deletion: while held, the directory stays where it is.
static HANDLE OpenHeld(const std::wstring& Path, DWORD Flags) {
  return CreateFileW(Path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | Flags, nullptr);
}

// Keeps the handle as Dir when it is a directory that carries none of the Refused attributes;
// otherwise closes it and gives the reason.
static int Adopt(HANDLE Handle, std::wstring Path, DWORD Refused, TDirectory& Dir) {
  BY_HANDLE_FILE_INFORMATION Info;
  int Code = 0;
  if (!GetFileInformationByHandle(Handle, &Info))
    Code = static_cast<int>(GetLastError());
  else if (Info.dwFileAttributes & Refused)
    Code = LinkError;
  else if (!(Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    Code = ERROR_DIRECTORY;
  if (Code != 0) {
    CloseHandle(Handle);
    return Code;
  }
  Dir.State = new TDirectoryState{Handle, std::move(Path), HandleName(Handle)};
  return 0;
}

// The path that the handle's directory has, links resolved; empty when the system cannot say.
static std::wstring FinalPath(HANDLE Handle) {
  std::wstring Final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = GetFinalPathNameByHandleW(
        Handle, Final.data(), static_cast<DWORD>(Final.size()), VOLUME_NAME_DOS);
    if (Length == 0) return std::wstring();
    if (Length < Final.size()) return Final.substr(0, Length);
    Final.resize(Length);
  }
}

// Whether Path names the file or directory that Handle holds.
static bool LeadsTo(const std::wstring& Path, HANDLE Handle) {
  HANDLE Named = CreateFileW(Path.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (Named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION Held, Found;
  const bool Same =
      GetFileInformationByHandle(Handle, &Held) && GetFileInformationByHandle(Named, &Found) &&
      Held.dwVolumeSerialNumber == Found.dwVolumeSerialNumber &&
      Held.nFileIndexHigh == Found.nFileIndexHigh && Held.nFileIndexLow == Found.nFileIndexLow;
  CloseHandle(Named);
  return Same;
}

int OpenDirectory(const std::string& Path, TDirectory& Dir) {
  Dir.Close();
  std::wstring SystemPath;
  if (!ToSystemPath(Path, SystemPath)) return static_cast<int>(GetLastError());
  HANDLE Handle = OpenHeld(SystemPath, 0);
  if (Handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  // Entries are then reached under the name a link led to, not through the link again; but only
  // when that name leads back here (Wine's leaves out trailing dots, and "mod." becomes "mod").
  std::wstring Final = FinalPath(Handle);
  if (Final.starts_with(L"\\\\?\\") && LeadsTo(Final, Handle)) SystemPath = std::move(Final);
  return Adopt(Handle, std::move(SystemPath), 0, Dir);
}

int OpenSubdirectory(const TDirectory& Parent, const std::string& Name, TDirectory& Dir) {
  Dir.Close();
  std::wstring Path;
  if (!EntryPath(Parent, Name, Path)) return static_cast<int>(GetLastError());
  HANDLE Handle = OpenHeld(Path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (Handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  if (!IsEntryItself(Handle, Path, DirectoryName(Parent))) {
    CloseHandle(Handle);
    return LinkError;
  }
  return Adopt(Handle, std::move(Path), FILE_ATTRIBUTE_REPARSE_POINT, Dir);
}

bool DirectoryIdentity(const TDirectory& Dir, TFileIdentity& Identity) {
  BY_HANDLE_FILE_INFORMATION Info;
  if (!Dir.IsOpen() || !GetFileInformationByHandle(Dir.State->Handle, &Info)) return false;
  Identity.Device = Info.dwVolumeSerialNumber;
  Identity.Index = (uint64_t{Info.nFileIndexHigh} << 32) | Info.nFileIndexLow;
  return true;
}

// Fetches the next block of entries; 0 or the system's code (ERROR_NO_MORE_FILES at the end).
static int FetchBlock(TDirScanState& State, FILE_INFO_BY_HANDLE_CLASS Class) {
  State.Position = 0;
  if (GetFileInformationByHandleEx(State.Directory, Class, State.Block, ListingBlockSize)) return 0;
  State.Position = ListingBlockSize;
  return static_cast<int>(GetLastError());
}

// Takes entries until one carries no excluded bit; nonzero at the end, with Rec still holding the
// last entry that qualified. Both listing classes begin alike up to the name's place.
static int TakeQualifying(TSearchRec& Rec) {
  TDirScanState& State = *Rec.State;
  for (;;) {
    if (State.Position == ListingBlockSize) {
      if (const int Code = FetchBlock(State, State.NextClass)) return Code;
    }
    const unsigned char* At = State.Block + State.Position;
    const auto* Entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(At);
    State.Position =
        Entry->NextEntryOffset == 0 ? ListingBlockSize : State.Position + Entry->NextEntryOffset;
    if (Entry->FileAttributes & Rec.ExcludeAttr) continue;
    const auto* Name = reinterpret_cast<const wchar_t*>(At + State.NameOffset);
    Rec.Name = ToAnsi(std::wstring_view(Name, Entry->FileNameLength / sizeof(wchar_t)),
                      &Rec.NameInCodePage);
    Rec.Attr = Entry->FileAttributes;
    return 0;
  }
}

int DirScanFirst(TDirectory& Dir, uint32_t AttrSet, TSearchRec& Rec) {
  DirScanClose(Rec);
  if (!Dir.IsOpen()) return ERROR_INVALID_HANDLE;
  std::unique_ptr<TDirScanState> State(new TDirScanState);  // the block needs no zeroing
  State->Directory = Dir.State->Handle;
  // The full class leaves out the short 8.3 name, which costs the file system a look-up per entry.
  int Code = FetchBlock(*State, FileFullDirectoryRestartInfo);
  if (Code == ERROR_INVALID_PARAMETER) {
    // Systems before Windows 8 know only the class with the short name.
    State->NextClass = FileIdBothDirectoryInfo;
    State->NameOffset = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
    Code = FetchBlock(*State, FileIdBothDirectoryRestartInfo);
  }
  // A listing with no entry at all (a drive's root has no "." and "..") starts with "not found".
  if (Code == ERROR_FILE_NOT_FOUND) Code = ERROR_NO_MORE_FILES;
  if (Code != 0) return Code;
  Rec.State = State.release();
  Rec.ExcludeAttr = ~AttrSet & (AttrHidden | AttrSystem | AttrVolumeLabel | AttrDirectory);
  Code = TakeQualifying(Rec);
  if (Code != 0) DirScanClose(Rec);
  return Code;
}

int DirScanNext(TSearchRec& Rec) {
  if (Rec.State == nullptr) return ERROR_INVALID_HANDLE;
  return TakeQualifying(Rec);
}

void DirScanClose(TSearchRec& Rec) {
  delete Rec.State;
  Rec.State = nullptr;
}

bool IsReadOnlyEntry(const TDirectory&, const TSearchRec& Rec) {
  return (Rec.Attr & AttrReadOnly) != 0;
}
