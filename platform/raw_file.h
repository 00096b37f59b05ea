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

class TDirectory;

/// The code that the opening functions give (through LastSystemError) for a
/// path that names something other than a regular file or a directory: a
/// FIFO, a device, or (where links are not followed) a link. Its SystemMessage
/// is "Not a regular file".
extern const int NotRegularFileError;
/// The code they give for a path that names a directory ("Is a directory").
extern const int IsADirectoryError;
/// The code LoadLinesFromFile gives for a file too large to be read whole.
extern const int FileTooLargeError;

/// Opens an existing regular file for reading, links followed; other
/// processes may read, rename or delete it meanwhile, but not write it where
/// the system can say so. Never waits (a FIFO gives NotRegularFileError).
/// InvalidFileHandle on failure, with the reason in LastSystemError(). Size,
/// when given, receives the file's size when it was opened, so that a reader
/// can stop there without asking the system once more.
TFileHandle RawOpenRead(const std::string& Path, std::uint64_t* Size = nullptr);
/// The same for the entry Name of Dir, without following a link (a link gives
/// NotRegularFileError).
TFileHandle RawOpenReadAt(const TDirectory& Dir, const std::string& Name,
                          std::uint64_t* Size = nullptr);

/// Whether the start of a file is in the system's cache, asked without
/// waiting for the disk.
enum TCacheState {
  csCached,
  csNotCached,
  csCannotTell,  ///< the system has no such answer, or the file cannot be opened
};
TCacheState FileCacheState(const std::string& Path);
/// Creates the regular file, or truncates an existing one, for writing; other
/// processes may read it meanwhile. A link (or reparse point) of that name is
/// replaced by the new file where the system can delete the link itself (not
/// on Windows for a link to a directory, nor under Wine for a POSIX link to a
/// file: those are refused), never written through. Refuses (InvalidFileHandle)
/// an existing read-only file, a directory, anything else that is not a
/// regular file, and a path that cannot be created.
TFileHandle RawCreate(const std::string& Path);
/// Creates the entry Name of Dir for writing, exclusively: AlreadyExistsError
/// when anything of that name is there, a link included
/// (POSIX: permissions 0644 less the umask).
TFileHandle RawCreateExclusiveAt(const TDirectory& Dir, const std::string& Name);
/// Whether the open file is marked read-only (POSIX: its owner-write bit is
/// clear).
bool RawIsReadOnly(TFileHandle Handle);
/// Gives the file To the permissions of the file From where the system has
/// them (POSIX); true on success and on Windows.
bool RawCopyPermissions(TFileHandle From, TFileHandle To);
/// The process's standard output, or InvalidFileHandle when it has none or it
/// is of no known file type.
TFileHandle RawStdOut();
/// Whether the handle is a character device (a console).
bool RawIsConsole(TFileHandle Handle);
/// Reads up to Size bytes: the count read, 0 at the end of the data (a broken
/// pipe included), -1 on a read error.
std::ptrdiff_t RawRead(TFileHandle Handle, char* Buffer, std::size_t Size);
/// Reads up to Size bytes of a file from Offset, whatever its position: the
/// count read, 0 at the end of the file, -1 on a read error. Reads at other
/// offsets of the same handle do not disturb each other.
std::ptrdiff_t RawReadAt(TFileHandle Handle, std::uint64_t Offset, char* Buffer, std::size_t Size);
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
/// How many files and directories the process may hold open at once (POSIX:
/// its descriptor limit; Windows, whose handles are not counted so, a number
/// large enough for any run).
std::size_t OpenFileLimit();
/// Whether the code says that the system ran short of descriptors, handles or
/// memory: the same call may succeed once others let go of theirs.
bool IsShortageError(int Code);
/// Whether the code says that nothing exists under the path (the file or a
/// folder on its way is missing).
bool IsNotFoundError(int Code);
/// The system's own description of an error code, as it words it.
std::string SystemMessage(int Code);
/// SystemMessage without its trailing bytes 0x00 to 0x20 and periods.
std::string SystemErrorText(int Code);

#endif
