// Win32 file tests and changes. Read-only files are refused explicitly, since
// Wine running as root would otherwise delete or replace them.
#include "platform/file_system.h"

#include <windows.h>
#include <vector>

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

bool FilePresent(const std::string& Path) {
  WIN32_FIND_DATAA Data;
  HANDLE Find = FindFirstFileA(Path.c_str(), &Data);
  if (Find == INVALID_HANDLE_VALUE) return false;
  FindClose(Find);
  return !(Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const std::string& Path) {
  if (Path.empty()) return false;
  DWORD Attr = GetFileAttributesA(Path.c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY);
}

int ChangeFileAttributes(const std::string& Path, uint32_t Attr) {
  return SetFileAttributesA(Path.c_str(), Attr) ? 0 : static_cast<int>(GetLastError());
}

bool IsReadOnly(const std::string& Path) {
  DWORD Attr = GetFileAttributesA(Path.c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_READONLY);
}

bool DeleteFileAt(const std::string& Path) {
  DWORD Attr = GetFileAttributesA(Path.c_str());
  if (Attr == INVALID_FILE_ATTRIBUTES) return false;
  if (Attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return DeleteFileA(Path.c_str()) != 0;
}

bool RenameFileTo(const std::string& OldPath, const std::string& NewPath) {
  return MoveFileA(OldPath.c_str(), NewPath.c_str()) != 0;
}

bool ReplaceFileWith(const std::string& Target, const std::string& Source) {
  DWORD Attr = GetFileAttributesA(Target.c_str());
  if (Attr == INVALID_FILE_ATTRIBUTES) return false;
  if (Attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
  return MoveFileExA(Source.c_str(), Target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushDirectory(const std::string&) { return true; }

const int AlreadyExistsError = ERROR_ALREADY_EXISTS;

int MakeDirectory(const std::string& Path) {
  return CreateDirectoryA(Path.c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
}

// The new directory inherits its access rights from its parent, as Windows does for every one.
int MakeDirectoryLike(const std::string& Path, const std::string&) { return MakeDirectory(Path); }

int DirectoryAccess(const std::string& Path, bool) {
  DWORD Attr = GetFileAttributesA(Path.c_str());
  if (Attr == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
  return (Attr & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

bool RemoveFileNow(const char* Path) { return DeleteFileA(Path) != 0; }

bool RemoveDirectoryNow(const char* Path) { return RemoveDirectoryA(Path) != 0; }

std::string FullPathName(const std::string& Path) {
  std::vector<char> Buffer(MAX_PATH);
  for (;;) {
    DWORD Length =
        GetFullPathNameA(Path.c_str(), static_cast<DWORD>(Buffer.size()), Buffer.data(), nullptr);
    if (Length == 0) return Path;
    if (Length < Buffer.size()) return std::string(Buffer.data(), Length);
    Buffer.resize(Length + 1);
  }
}

bool DirectoryIdentity(const std::string& Path, TFileIdentity& Identity) {
  HANDLE Handle =
      CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (Handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION Info;
  bool Found = GetFileInformationByHandle(Handle, &Info) &&
               (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(Handle);
  if (!Found) return false;
  Identity.Device = Info.dwVolumeSerialNumber;
  Identity.Index = (uint64_t{Info.nFileIndexHigh} << 32) | Info.nFileIndexLow;
  return true;
}
