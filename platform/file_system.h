// File tests, attributes, deletion, renaming and path splitting. Bodies of the
// system calls in posix/ and win32/file_system.cpp.
#ifndef MORVELLAN_PLATFORM_FILE_SYSTEM_H
#define MORVELLAN_PLATFORM_FILE_SYSTEM_H

#include <cstdint>
#include <string>
#include <string_view>

// Attribute bits as Windows reports them; POSIX derives the same bits.
constexpr uint32_t AttrReadOnly = 0x01;
constexpr uint32_t AttrHidden = 0x02;
constexpr uint32_t AttrSystem = 0x04;
constexpr uint32_t AttrVolumeLabel = 0x08;
constexpr uint32_t AttrDirectory = 0x10;
constexpr uint32_t AttrArchive = 0x20;
/// Symbolic links, junctions and other reparse points; POSIX sets it for symbolic links.
constexpr uint32_t AttrReparsePoint = 0x400;

/// The separator of every path the program builds: '\' on Windows, '/' on POSIX.
extern const char PathDelimiter;
/// The bytes at which DirectoryPart and NamePart split: "\\:" on Windows, "/" on POSIX.
extern const char* const PathSplitCharacters;

/// Whether names compare without regard to the case of A to Z (masks, the
/// ignore list, the single-file target): true on Windows; false on POSIX, where
/// CVS compares names byte for byte.
extern const bool NamesIgnoreCase;

/// Whether a Root with no access method that is an absolute path ("/srv/cvs")
/// names a local repository: CVS on POSIX writes and reads it so; Windows
/// takes only ":local:".
extern const bool BareAbsoluteRootIsLocal;

/// Whether the path is absolute: on POSIX it begins with '/'; on Windows it
/// begins with '\' or '/', or is a drive letter and ':' followed by one of them.
bool IsAbsolutePath(std::string_view Path);

/// Whether a file, not a directory, is found under the path.
bool FilePresent(const std::string& Path);
/// Whether a regular file (not a directory, a FIFO or a device) is found under
/// the path, links followed; nothing is opened, so a file that cannot be read
/// is found all the same.
bool RegularFilePresent(const std::string& Path);
/// Whether the path names an existing directory; a trailing separator is
/// allowed, the empty path names none.
bool IsDirectory(const std::string& Path);
/// Sets the file's attribute word; 0 or the system's error code. On POSIX only
/// the read-only bit counts: it clears or sets the owner-write permission.
int ChangeFileAttributes(const std::string& Path, uint32_t Attr);
/// Whether the file is marked read-only.
bool IsReadOnly(const std::string& Path);
/// The code MakeDirectory gives when something of that name exists already.
extern const int AlreadyExistsError;
/// Creates the directory (on POSIX with the permissions 0777 less the umask);
/// 0, or the system's error code.
int MakeDirectory(const std::string& Path);
/// Creates the directory with the permissions of the existing directory
/// Model where the system has them; 0, or the system's error code.
int MakeDirectoryLike(const std::string& Path, const std::string& Model);
/// 0 when the path names an existing directory and, with ForWriting, the
/// system says that entries can be made and deleted in it (POSIX: its access
/// test, which also answers for a read-only file system; Windows asks no more
/// than whether it exists); otherwise the system's error code.
int DirectoryAccess(const std::string& Path, bool ForWriting);
/// Removes a file or an empty directory at once. Safe in a signal handler
/// (POSIX: no allocation, one system call) and in Windows' console control
/// handler, which runs on a thread of its own, where the path is made wide.
bool RemoveFileNow(const char* Path);
bool RemoveDirectoryNow(const char* Path);

/// The path made absolute against the current directory, "." and ".." folded.
std::string FullPathName(const std::string& Path);

/// The identity of a directory on its device.
struct TFileIdentity {
  uint64_t Device = 0;
  uint64_t Index = 0;
  bool operator==(const TFileIdentity&) const = default;
};

class TDirectory;

/// Deletes the entry Name of Dir when it is a file or a link (a link itself,
/// never what it leads to). 0 when it is gone or was not there; otherwise the
/// system's error code (LinkError for a link that the system could reach only
/// through what it leads to, as Wine does with a POSIX symbolic link).
int RemoveFileAt(const TDirectory& Dir, const std::string& Name);
/// RemoveFileAt for a signal handler or a console control handler: Dir must
/// stay open and Name unchanged while the handler may run.
bool RemoveFileNowAt(const TDirectory& Dir, const char* Name);
/// Replaces Target of Dir by Source of Dir in one step, so that Target is never
/// missing (POSIX rename; Windows MoveFileEx with write-through). False, with
/// the reason in LastSystemError(), when the system refuses. Windows (and
/// Wine) refuse while Target is open anywhere, whatever the sharing it was
/// opened with: close the original before replacing it.
bool ReplaceFileAt(const TDirectory& Dir, const std::string& Source, const std::string& Target);
/// Makes the directory's own entries (renames, deletions) durable on disk;
/// false when the system could not. Windows makes renames durable with the
/// rename itself, so there it only gives true.
bool FlushDirectory(const TDirectory& Dir);
/// 0 when the system says that files can be created in Dir (POSIX: its access
/// test for writing, which also answers for a read-only file system; Windows,
/// which has no such test, always 0); otherwise the system's error code.
int DirectoryWritable(const TDirectory& Dir);
/// Deletes the revision file Name of Dir, whose listing gave Attr. POSIX:
/// unlink alone, since the right to delete lies with the directory (no mode
/// change; a link is deleted as a link). Windows: a read-only file has its
/// read-only bit cleared first, on the file itself (a reparse point is
/// deleted, not followed), and set again when the deletion fails. 0 when the
/// system says the file is gone (deleted, or no longer there); otherwise its
/// error code.
int DeleteRevisionFileAt(const TDirectory& Dir, const std::string& Name, uint32_t Attr);

/// The path up to and including its last separator ('\' or ':' on Windows,
/// '/' on POSIX), or empty when it has none. A '\' that is the second byte of
/// a double-byte character is no separator.
std::string DirectoryPart(std::string_view Path);
/// The path after its last separator, or the whole path when it has none.
std::string NamePart(std::string_view Path);

#endif
