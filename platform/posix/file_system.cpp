// POSIX file tests and changes. The read-only attribute is the owner-write bit
// being clear; Morvellan enforces it itself, since root is not stopped by it.
#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/dir_scan.h"
#include "platform/posix/descriptor.h"

const char PathDelimiter = '/';
const char* const PathSplitCharacters = "/";
const bool NamesIgnoreCase = false;
const bool BareAbsoluteRootIsLocal = true;

bool IsAbsolutePath(std::string_view Path) { return Path.starts_with('/'); }

bool FilePresent(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode);
}

bool RegularFilePresent(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

bool IsDirectory(const std::string& Path) {
  struct stat Info;
  return !Path.empty() && stat(Path.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
}

int ChangeFileAttributes(const std::string& Path, uint32_t Attr) {
  struct stat Info;
  if (stat(Path.c_str(), &Info) != 0) return errno;
  mode_t Mode = Info.st_mode & 07777;
  Mode = (Attr & AttrReadOnly) ? (Mode & ~S_IWUSR) : (Mode | S_IWUSR);
  return chmod(Path.c_str(), Mode) == 0 ? 0 : errno;
}

bool IsReadOnly(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && !(Info.st_mode & S_IWUSR);
}

const int AlreadyExistsError = EEXIST;

int MakeDirectory(const std::string& Path) { return mkdir(Path.c_str(), 0777) == 0 ? 0 : errno; }

int MakeDirectoryLike(const std::string& Path, const std::string& Model) {
  struct stat Info;
  if (stat(Model.c_str(), &Info) != 0) return errno;
  if (mkdir(Path.c_str(), 0700) != 0) return errno;
  return chmod(Path.c_str(), Info.st_mode & 07777) == 0 ? 0 : errno;
}

int DirectoryAccess(const std::string& Path, bool ForWriting) {
  struct stat Info;
  if (stat(Path.c_str(), &Info) != 0) return errno;
  if (!S_ISDIR(Info.st_mode)) return ENOTDIR;
  return !ForWriting || access(Path.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool RemoveFileNow(const char* Path) { return unlink(Path) == 0; }

bool RemoveDirectoryNow(const char* Path) { return rmdir(Path) == 0; }

static std::string CurrentDirectory() {
  std::vector<char> Buffer(256);
  while (getcwd(Buffer.data(), Buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    Buffer.resize(Buffer.size() * 2);
  }
  return Buffer.data();
}

std::string FullPathName(const std::string& Path) {
  std::string Joined = (!Path.empty() && Path[0] == '/') ? Path : CurrentDirectory() + "/" + Path;
  std::vector<std::string> Parts;
  std::size_t Pos = 0;
  while (Pos <= Joined.size()) {
    std::size_t End = Joined.find('/', Pos);
    if (End == std::string::npos) End = Joined.size();
    std::string Part = Joined.substr(Pos, End - Pos);
    if (Part == "..") {
      if (!Parts.empty()) Parts.pop_back();
    } else if (!Part.empty() && Part != ".") {
      Parts.push_back(std::move(Part));
    }
    Pos = End + 1;
  }
  std::string Full;
  for (const std::string& Part : Parts) Full += "/" + Part;
  return Full.empty() ? "/" : Full;
}

int RemoveFileAt(const TDirectory& Dir, const std::string& Name) {
  if (unlinkat(DirectoryDescriptor(Dir), Name.c_str(), 0) == 0 || errno == ENOENT) return 0;
  return errno;
}

bool RemoveFileNowAt(const TDirectory& Dir, const char* Name) {
  return unlinkat(DirectoryDescriptor(Dir), Name, 0) == 0;
}

bool ReplaceFileAt(const TDirectory& Dir, const std::string& Source, const std::string& Target) {
  const int Fd = DirectoryDescriptor(Dir);
  return renameat(Fd, Source.c_str(), Fd, Target.c_str()) == 0;
}

bool FlushDirectory(const TDirectory& Dir) { return fsync(DirectoryDescriptor(Dir)) == 0; }

int DirectoryWritable(const TDirectory& Dir) {
  return faccessat(DirectoryDescriptor(Dir), ".", W_OK | X_OK, 0) == 0 ? 0 : errno;
}

int DeleteRevisionFileAt(const TDirectory& Dir, const std::string& Name, uint32_t) {
  return RemoveFileAt(Dir, Name);
}
