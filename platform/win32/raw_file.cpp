// Win32 file handles, through the wide functions on "\\?\" paths.
#include "platform/raw_file.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/directory.h"
#include "platform/win32/wide.h"

const std::string_view LineEnd = "\r\n";

// Codes of the program's own (bit 29 marks them), with their texts in SystemMessage.
const int NotRegularFileError = 0x20000001;
const int FileTooLargeError = 0x20000002;
const int IsADirectoryError = 0x20000003;

static HANDLE AsHandle(TFileHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }
static TFileHandle FromHandle(HANDLE Handle) {
  return Handle == INVALID_HANDLE_VALUE ? InvalidFileHandle : reinterpret_cast<TFileHandle>(Handle);
}

// The largest count handed to one ReadFile or WriteFile.
static constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

// 0 when the open handle is a regular file: not a directory, not a link that was not followed, not
// a pipe or a device; otherwise why not. Info receives what the system says of it.
static int RegularFileCode(HANDLE Handle, BY_HANDLE_FILE_INFORMATION& Info) {
  if (GetFileType(Handle) != FILE_TYPE_DISK) return NotRegularFileError;
  if (!GetFileInformationByHandle(Handle, &Info)) return static_cast<int>(GetLastError());
  if (Info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return NotRegularFileError;
  if (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return IsADirectoryError;
  return 0;
}

// The handle when Code is 0; otherwise closes it and leaves Code as the reason.
static TFileHandle KeepUnlessRefused(HANDLE Handle, int Code) {
  if (Code == 0) return FromHandle(Handle);
  CloseHandle(Handle);
  SetLastError(static_cast<DWORD>(Code));
  return InvalidFileHandle;
}

// Keeps an open handle only when it is a regular file, and notes its size.
static TFileHandle KeepRegularFile(HANDLE Handle, std::uint64_t* Size) {
  if (Handle == INVALID_HANDLE_VALUE) return InvalidFileHandle;
  BY_HANDLE_FILE_INFORMATION Info;
  const int Code = RegularFileCode(Handle, Info);
  if (Code == 0 && Size != nullptr)
    *Size = (std::uint64_t{Info.nFileSizeHigh} << 32) | Info.nFileSizeLow;
  return KeepUnlessRefused(Handle, Code);
}

// Shares deletion, so that others may still delete or rename the file, but not writing. A directory
// is opened too, and then refused as not a regular file.
static HANDLE OpenForReading(const std::wstring& Path, DWORD Flags) {
  return CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | Flags, nullptr);
}

TFileHandle RawOpenRead(const std::string& Path, std::uint64_t* Size) {
  std::wstring SystemPath;
  if (!ToSystemPath(Path, SystemPath)) return InvalidFileHandle;
  return KeepRegularFile(OpenForReading(SystemPath, 0), Size);
}

TFileHandle RawOpenReadAt(const TDirectory& Dir, const std::string& Name, std::uint64_t* Size) {
  std::wstring Path;
  if (!EntryPath(Dir, Name, Path)) return InvalidFileHandle;
  HANDLE Handle = OpenForReading(Path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (Handle != INVALID_HANDLE_VALUE && !IsEntryItself(Handle, Path, DirectoryName(Dir))) {
    CloseHandle(Handle);
    SetLastError(NotRegularFileError);
    return InvalidFileHandle;
  }
  return KeepRegularFile(Handle, Size);
}

// Windows has no cheap way to ask whether a file's data is cached.
TCacheState FileCacheState(const std::string&) { return csCannotTell; }

// HandleName of the directory that holds Path; empty when the system gives none.
static std::wstring ParentName(const std::wstring& Path) {
  std::wstring Parent = Path.substr(0, Path.rfind(L'\\'));
  if (Parent.ends_with(L':')) Parent += L'\\';  // a drive's root
  HANDLE Handle = CreateFileW(Parent.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (Handle == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring Name = HandleName(Handle);
  CloseHandle(Handle);
  return Name;
}

TFileHandle RawCreate(const std::string& Path) {
  std::wstring SystemPath;
  if (!ToSystemPath(Path, SystemPath)) return InvalidFileHandle;
  // A link to a file is deleted, never written through; one to a directory is refused below, since
  // Wine would remove what it leads to. Wine shows a POSIX symbolic link to a file as the file
  // itself; the names of the opened file and of its directory then tell.
  const DWORD Found = GetFileAttributesW(SystemPath.c_str());
  if (Found != INVALID_FILE_ATTRIBUTES &&
      (Found & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
          FILE_ATTRIBUTE_REPARSE_POINT &&
      !DeleteFileW(SystemPath.c_str()))
    return InvalidFileHandle;
  // Opened before it is truncated, so that what it is can be looked at first; made only where
  // nothing is, so that a dangling link (one that Wine shows as nothing) makes no file elsewhere.
  auto Open = [&](DWORD Disposition) {
    return CreateFileW(SystemPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, Disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  };
  HANDLE Handle = Open(OPEN_EXISTING);
  if (Handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
    Handle = Open(CREATE_NEW);
  if (Handle == INVALID_HANDLE_VALUE) return InvalidFileHandle;
  BY_HANDLE_FILE_INFORMATION Info;
  int Code = RegularFileCode(Handle, Info);
  if (Code == 0 && !IsEntryItself(Handle, SystemPath, ParentName(SystemPath)))
    Code = NotRegularFileError;
  // Checked here too: Wine running as root would write to a read-only file.
  if (Code == 0 && (Info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) Code = ERROR_ACCESS_DENIED;
  if (Code == 0 && !SetEndOfFile(Handle)) Code = static_cast<int>(GetLastError());
  return KeepUnlessRefused(Handle, Code);
}

TFileHandle RawCreateExclusiveAt(const TDirectory& Dir, const std::string& Name) {
  std::wstring Path;
  if (!EntryPath(Dir, Name, Path)) return InvalidFileHandle;
  HANDLE Handle = CreateFileW(Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  // The same code as MakeDirectory's, which CREATE_NEW words differently.
  if (Handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
    SetLastError(ERROR_ALREADY_EXISTS);
  return FromHandle(Handle);
}

bool RawIsReadOnly(TFileHandle Handle) {
  BY_HANDLE_FILE_INFORMATION Info;
  return GetFileInformationByHandle(AsHandle(Handle), &Info) &&
         (Info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
}

// A new file takes its access rights from its directory, as every Windows file does.
bool RawCopyPermissions(TFileHandle, TFileHandle) { return true; }

TFileHandle RawStdOut() {
  HANDLE Handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE) return InvalidFileHandle;
  if (GetFileType(Handle) == FILE_TYPE_UNKNOWN) return InvalidFileHandle;
  return FromHandle(Handle);
}

bool RawIsConsole(TFileHandle Handle) { return GetFileType(AsHandle(Handle)) == FILE_TYPE_CHAR; }

std::ptrdiff_t RawRead(TFileHandle Handle, char* Buffer, std::size_t Size) {
  DWORD Count = 0;
  if (ReadFile(AsHandle(Handle), Buffer, static_cast<DWORD>(std::min(Size, MaxTransfer)), &Count,
               nullptr))
    return Count;
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

// The offset goes with the request; the handle's own position moves too, which nothing relies on.
std::ptrdiff_t RawReadAt(TFileHandle Handle, std::uint64_t Offset, char* Buffer, std::size_t Size) {
  OVERLAPPED At = {};
  At.Offset = static_cast<DWORD>(Offset);
  At.OffsetHigh = static_cast<DWORD>(Offset >> 32);
  DWORD Count = 0;
  if (ReadFile(AsHandle(Handle), Buffer, static_cast<DWORD>(std::min(Size, MaxTransfer)), &Count,
               &At))
    return Count;
  return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

bool RawWrite(TFileHandle Handle, const char* Bytes, std::size_t Size) {
  while (Size > 0) {
    DWORD Count = 0;
    if (!WriteFile(AsHandle(Handle), Bytes, static_cast<DWORD>(std::min(Size, MaxTransfer)), &Count,
                   nullptr) ||
        Count == 0)
      return false;
    Bytes += Count;
    Size -= Count;
  }
  return true;
}

bool RawFlushToDisk(TFileHandle Handle) { return FlushFileBuffers(AsHandle(Handle)) != 0; }

bool RawClose(TFileHandle Handle) { return CloseHandle(AsHandle(Handle)) != 0; }

void RawWriteStdErr(std::string_view Bytes) {
  HANDLE Handle = GetStdHandle(STD_ERROR_HANDLE);
  if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE) return;
  RawWrite(FromHandle(Handle), Bytes.data(), Bytes.size());
}

int LastSystemError() { return static_cast<int>(GetLastError()); }

// Windows counts no handles against a limit of the process's own.
std::size_t OpenFileLimit() { return std::size_t{1} << 20; }

bool IsShortageError(int Code) {
  return Code == ERROR_TOO_MANY_OPEN_FILES || Code == ERROR_NOT_ENOUGH_MEMORY ||
         Code == ERROR_OUTOFMEMORY || Code == ERROR_NO_SYSTEM_RESOURCES;
}

bool IsNotFoundError(int Code) {
  return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND;
}

std::string SystemMessage(int Code) {
  if (Code == NotRegularFileError) return "Not a regular file";
  if (Code == FileTooLargeError) return "File too large";
  if (Code == IsADirectoryError) return "Is a directory";
  char* Text = nullptr;
  DWORD Length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(Code), 0, reinterpret_cast<char*>(&Text), 0, nullptr);
  std::string Message(Text != nullptr ? Text : "", Length);
  LocalFree(Text);
  return Message;
}
