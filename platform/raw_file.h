// Operating-system file handles: the few calls that line files and whole-file
// loading need. Bodies in posix/ and win32/raw_file.cpp.
#ifndef MORVELLAN_PLATFORM_RAW_FILE_H
#define MORVELLAN_PLATFORM_RAW_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using TFileHandle = std::intptr_t;

/// What ends every line Morvellan writes: LF on POSIX, the line end CVS itself
/// writes and reads there (a CR would become part of a sticky tag); CR LF on
/// Windows.
extern const std::string_view LineEnd;
constexpr TFileHandle InvalidFileHandle = -1;

/// Opens an existing file for reading; other processes may read it but not
/// write it where the system can say so. InvalidFileHandle on failure.
TFileHandle RawOpenRead(const std::string& Path);
/// Opens an existing file for reading without hindering anyone: others may
/// read, write, rename, replace or delete it meanwhile. InvalidFileHandle on
/// failure.
TFileHandle RawOpenReadShared(const std::string& Path);

/// Whether the start of a file is in the system's cache, asked without
/// waiting for the disk.
enum TCacheState {
  csCached,
  csNotCached,
  csCannotTell,  ///< the system has no such answer, or the file cannot be opened
};
TCacheState FileCacheState(const std::string& Path);
/// Creates the file, or truncates an existing one, for writing; other
/// processes may read it meanwhile. Refuses (InvalidFileHandle) an existing
/// read-only file, a directory and a path that cannot be created.
TFileHandle RawCreate(const std::string& Path);
/// The process's standard output, or InvalidFileHandle when it has none or it
/// is of no known file type.
TFileHandle RawStdOut();
/// Whether the handle is a character device (a console).
bool RawIsConsole(TFileHandle Handle);
/// Reads up to Size bytes: the count read, 0 at the end of the data (a broken
/// pipe included), -1 on a read error.
std::ptrdiff_t RawRead(TFileHandle Handle, char* Buffer, std::size_t Size);
/// Writes all the bytes; false when any could not be written.
bool RawWrite(TFileHandle Handle, const char* Bytes, std::size_t Size);
/// Makes the written bytes durable on disk; false on failure.
bool RawFlushToDisk(TFileHandle Handle);
/// Closes a handle other than a standard one; false on failure.
bool RawClose(TFileHandle Handle);
/// Writes the bytes straight to the process's standard error, unbuffered.
void RawWriteStdErr(std::string_view Bytes);

/// The system's code of the last failed call in this thread.
int LastSystemError();
/// Whether the code says that nothing exists under the path (the file or a
/// folder on its way is missing).
bool IsNotFoundError(int Code);
/// The system's own description of an error code, as it words it.
std::string SystemMessage(int Code);
/// SystemMessage without its trailing bytes 0x00 to 0x20 and periods.
std::string SystemErrorText(int Code);

#endif
