// Win32 file tests and changes, through the wide functions on "\\?\" paths, so that no name is
// altered on the way and no path is too long. A deletion counts only when the system says so.
#include "platform/file_system.h"

#include <windows.h>

#include "platform/dir_scan.h"
#include "platform/win32/directory.h"
#include "platform/win32/wide.h"

const char PathDelimiter = '\\';
const char* const PathSplitCharacters = "\\:";
const bool NamesIgnoreCase = true;
const bool BareAbsoluteRootIsLocal = false;

static bool IsSlash(char Ch) { return Ch == '\\' || Ch == '/'; }

bool IsAbsolutePath(std::string_view Path) {
  if (!Path.empty() && IsSlash(Path[0])) return true;
  bool DriveLetter = Path.size() >= 3 &&
                     ((Path[0] >= 'A' && Path[0] <= 'Z') || (Path[0] >= 'a' && Path[0] <= 'z'));
  return DriveLetter && Path[1] == ':' && IsSlash(Path[2]);
}

// The attribute word of what Path names, a link not followed; INVALID_FILE_ATTRIBUTES with the
// reason as the last error.
static DWORD AttributesOf(const std::string& Path) {
  std::wstring SystemPath;
  if (!ToSystemPath(Path, SystemPath)) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(SystemPath.c_str());
}

// Whether the call on Path's "\\?\" form succeeded; the reason is then the last error.
template <typename TCall>
static bool CallOnPath(const std::string& Path, TCall Call) {
  std::wstring SystemPath;
  return ToSystemPath(Path, SystemPath) && Call(SystemPath.c_str());
}

static int ErrorUnless(bool Succeeded) { return Succeeded ? 0 : static_cast<int>(GetLastError()); }

bool FilePresent(const std::string& Path) {
  const DWORD Attr = AttributesOf(Path);
  return Attr != INVALID_FILE_ATTRIBUTES && !(Attr & FILE_ATTRIBUTE_DIRECTORY);
}

// A file system of Windows holds no FIFOs or devices under a name.
bool RegularFilePresent(const std::string& Path) { return FilePresent(Path); }

bool IsDirectory(const std::string& Path) {
  if (Path.empty()) return false;
  const DWORD Attr = AttributesOf(Path);
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY);
}

int ChangeFileAttributes(const std::string& Path, uint32_t Attr) {
  return ErrorUnless(
      CallOnPath(Path, [Attr](const wchar_t* Wide) { return SetFileAttributesW(Wide, Attr); }));
}

bool IsReadOnly(const std::string& Path) {
  const DWORD Attr = AttributesOf(Path);
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_READONLY);
}

const int AlreadyExistsError = ERROR_ALREADY_EXISTS;

int MakeDirectory(const std::string& Path) {
  return ErrorUnless(
      CallOnPath(Path, [](const wchar_t* Wide) { return CreateDirectoryW(Wide, nullptr); }));
}

// The new directory inherits its access rights from its parent, as Windows does for every one.
int MakeDirectoryLike(const std::string& Path, const std::string&) { return MakeDirectory(Path); }

int DirectoryAccess(const std::string& Path, bool) {
  const DWORD Attr = AttributesOf(Path);
  if (Attr == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
  return (Attr & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

// The console control handler runs on a thread of its own, where the heap may be used.
bool RemoveFileNow(const char* Path) {
  return CallOnPath(Path, [](const wchar_t* Wide) { return DeleteFileW(Wide); });
}

bool RemoveDirectoryNow(const char* Path) {
  return CallOnPath(Path, [](const wchar_t* Wide) { return RemoveDirectoryW(Wide); });
}

std::string FullPathName(const std::string& Path) {
  std::wstring Wide;
  if (Path.empty() || !ToWide(Path, Wide)) return Path;
  return ToAnsi(AbsolutePath(Wide));
}

// Opens the entry Name of Dir itself, never what a link leads to, for deleting it with Access
// besides. 0 with Handle and its attribute word; a directory that is not a link is refused, as
// DeleteFileW refuses it, and so is a link that could only be followed.
static int OpenForDeletion(const TDirectory& Dir, const std::string& Name, DWORD Access,
                           HANDLE& Handle, DWORD& Attributes) {
  std::wstring Path;
  if (!EntryPath(Dir, Name, Path)) return static_cast<int>(GetLastError());
  Handle =
      CreateFileW(Path.c_str(), DELETE | FILE_READ_ATTRIBUTES | Access,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (Handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  BY_HANDLE_FILE_INFORMATION Info;
  int Code = 0;
  if (!GetFileInformationByHandle(Handle, &Info))
    Code = static_cast<int>(GetLastError());
  else if ((Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(Info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    Code = ERROR_ACCESS_DENIED;
  // Deleting what a followed link led to would delete its target instead of the link.
  else if (!IsEntryItself(Handle, Path, DirectoryName(Dir)))
    Code = LinkError;
  if (Code != 0) {
    CloseHandle(Handle);
    return Code;
  }
  Attributes = Info.dwFileAttributes;
  return 0;
}

// Marks the open file for deletion; it goes when the last handle to it is closed.
static int MarkForDeletion(HANDLE Handle) {
  FILE_DISPOSITION_INFO Disposition = {TRUE};
  return ErrorUnless(
      SetFileInformationByHandle(Handle, FileDispositionInfo, &Disposition, sizeof Disposition));
}

// The bits that a file's attribute word can be given.
static constexpr DWORD SettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static bool SetAttributes(HANDLE Handle, DWORD Attributes) {
  FILE_BASIC_INFO Basic = {};  // times of zero stay as they are
  // So would an attribute word of zero: a file without attributes has the "normal" one.
  Basic.FileAttributes = (Attributes & SettableAttributes) != 0 ? (Attributes & SettableAttributes)
                                                                : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(Handle, FileBasicInfo, &Basic, sizeof Basic);
}

int RemoveFileAt(const TDirectory& Dir, const std::string& Name) {
  HANDLE Handle;
  DWORD Attributes;
  int Code = OpenForDeletion(Dir, Name, 0, Handle, Attributes);
  if (Code == 0) {
    Code = MarkForDeletion(Handle);
    CloseHandle(Handle);
  }
  return Code == ERROR_FILE_NOT_FOUND ? 0 : Code;
}

bool RemoveFileNowAt(const TDirectory& Dir, const char* Name) {
  std::wstring Path;
  return EntryPath(Dir, Name, Path) && DeleteFileW(Path.c_str());
}

bool ReplaceFileAt(const TDirectory& Dir, const std::string& Source, const std::string& Target) {
  std::wstring SourcePath, TargetPath;
  return EntryPath(Dir, Source, SourcePath) && EntryPath(Dir, Target, TargetPath) &&
         MoveFileExW(SourcePath.c_str(), TargetPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool FlushDirectory(const TDirectory&) { return true; }

int DirectoryWritable(const TDirectory&) { return 0; }

int DeleteRevisionFileAt(const TDirectory& Dir, const std::string& Name, uint32_t Attr) {
  const bool ReadOnly = (Attr & AttrReadOnly) != 0;
  HANDLE Handle;
  DWORD Attributes;
  int Code = OpenForDeletion(Dir, Name, ReadOnly ? FILE_WRITE_ATTRIBUTES : 0, Handle, Attributes);
  if (Code == ERROR_FILE_NOT_FOUND) return 0;
  if (Code != 0) return Code;
  // The system refuses to delete a read-only file; the bit comes back if the deletion fails.
  const bool Cleared = ReadOnly && (Attributes & FILE_ATTRIBUTE_READONLY) &&
                       SetAttributes(Handle, Attributes & ~FILE_ATTRIBUTE_READONLY);
  Code = MarkForDeletion(Handle);
  if (Code != 0 && Cleared) SetAttributes(Handle, Attributes);
  CloseHandle(Handle);
  return Code;
}
