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
/// Whether the path names an existing directory; a trailing separator is
/// allowed, the empty path names none.
bool IsDirectory(const std::string& Path);
/// Sets the file's attribute word; 0 or the system's error code. On POSIX only
/// the read-only bit counts: it clears or sets the owner-write permission.
int ChangeFileAttributes(const std::string& Path, uint32_t Attr);
/// Whether the file is marked read-only.
bool IsReadOnly(const std::string& Path);
/// Deletes the file; false for a read-only file, a directory or a failure,
/// with the reason in LastSystemError().
bool DeleteFileAt(const std::string& Path);
/// Renames or moves the file; false when a file of the new name exists.
bool RenameFileTo(const std::string& OldPath, const std::string& NewPath);
/// Replaces Target by Source in one step, so that Target is never missing;
/// Target keeps its permissions where the system has them. False, changing
/// nothing, when Target is read-only or the system refuses.
bool ReplaceFileWith(const std::string& Target, const std::string& Source);
/// Makes the directory's own entries (renames, deletions) durable on disk;
/// false when the system could not. Windows makes renames durable with the
/// rename itself, so there it only gives true.
bool FlushDirectory(const std::string& Path);
/// The code MakeDirectory gives when something of that name exists already.
extern const int AlreadyExistsError;
/// Creates the directory (on POSIX with the permissions 0777 less the umask);
/// 0, or the system's error code.
int MakeDirectory(const std::string& Path);
/// Creates the directory with the permissions of the existing directory
/// Model where the system has them; 0, or the system's error code.
int MakeDirectoryLike(const std::string& Path, const std::string& Model);
/// 0 when the path names an existing directory and, with ForWriting, the
/// system says that entries can be made in it (Windows asks no more than
/// whether it exists); otherwise the system's error code.
int DirectoryAccess(const std::string& Path, bool ForWriting);
/// Removes a file or an empty directory at once. Safe in a signal handler or
/// a console control handler: no allocation, one system call.
bool RemoveFileNow(const char* Path);
bool RemoveDirectoryNow(const char* Path);

/// The path made absolute against the current directory, "." and ".." folded.
std::string FullPathName(const std::string& Path);

/// The identity of a directory on its device, links followed.
struct TFileIdentity {
  uint64_t Device = 0;
  uint64_t Index = 0;
  bool operator==(const TFileIdentity&) const = default;
};
/// Fills Identity for an existing directory; false when it cannot be found.
bool DirectoryIdentity(const std::string& Path, TFileIdentity& Identity);

/// The path up to and including its last separator ('\' or ':' on Windows,
/// '/' on POSIX), or empty when it has none. A '\' that is the second byte of
/// a double-byte character is no separator.
std::string DirectoryPart(std::string_view Path);
/// The path after its last separator, or the whole path when it has none.
std::string NamePart(std::string_view Path);

#endif
