// Win32 file handles, through the "A" functions.
#include "platform/raw_file.h"

#include <windows.h>

const std::string_view LineEnd = "\r\n";

static HANDLE AsHandle(TFileHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }
static TFileHandle FromHandle(HANDLE Handle) {
  return Handle == INVALID_HANDLE_VALUE ? InvalidFileHandle : reinterpret_cast<TFileHandle>(Handle);
}

TFileHandle RawOpenRead(const std::string& Path) {
  return FromHandle(CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Sharing delete too: a replacement of the file by MoveFileEx must not fail because it is open.
TFileHandle RawOpenReadShared(const std::string& Path) {
  return FromHandle(CreateFileA(Path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Windows has no cheap way to ask whether a file's data is cached.
TCacheState FileCacheState(const std::string&) { return csCannotTell; }

TFileHandle RawCreate(const std::string& Path) {
  DWORD Attr = GetFileAttributesA(Path.c_str());
  // Checked here too: Wine running as root would truncate a read-only file.
  if (Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_READONLY) &&
      !(Attr & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return InvalidFileHandle;
  }
  return FromHandle(CreateFileA(Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TFileHandle RawStdOut() {
  HANDLE Handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE) return InvalidFileHandle;
  if (GetFileType(Handle) == FILE_TYPE_UNKNOWN) return InvalidFileHandle;
  return FromHandle(Handle);
}

bool RawIsConsole(TFileHandle Handle) { return GetFileType(AsHandle(Handle)) == FILE_TYPE_CHAR; }

std::ptrdiff_t RawRead(TFileHandle Handle, char* Buffer, std::size_t Size) {
  DWORD Count = 0;
  if (ReadFile(AsHandle(Handle), Buffer, static_cast<DWORD>(Size), &Count, nullptr)) return Count;
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool RawWrite(TFileHandle Handle, const char* Bytes, std::size_t Size) {
  while (Size > 0) {
    DWORD Count = 0;
    if (!WriteFile(AsHandle(Handle), Bytes, static_cast<DWORD>(Size), &Count, nullptr) ||
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

bool IsNotFoundError(int Code) {
  return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND;
}

std::string SystemMessage(int Code) {
  char* Text = nullptr;
  DWORD Length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(Code), 0, reinterpret_cast<char*>(&Text), 0, nullptr);
  std::string Message(Text != nullptr ? Text : "", Length);
  LocalFree(Text);
  return Message;
}
