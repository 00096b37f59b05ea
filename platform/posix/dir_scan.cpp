// POSIX directories held as descriptors, and their enumeration with Windows-style attribute
// words: directory from the entry type (links followed), reparse point for a symbolic link,
// hidden for names that begin with '.'; system and volume label are never set, and read-only is
// left to IsReadOnlyEntry.
#include "platform/dir_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/descriptor.h"

// Distinct from every code opendir and readdir give, so the end of a listing is
// never taken for a failure to list.
const int DirScanNoMoreEntries = ENODATA;
const int LinkError = ELOOP;

// The stream is made when the directory is first listed; it then owns the descriptor.
struct TDirectoryState {
  int Fd = -1;
  DIR* Stream = nullptr;
};

struct TDirScanState {
  TDirectoryState* Directory = nullptr;
};

int DirectoryDescriptor(const TDirectory& Dir) { return Dir.State != nullptr ? Dir.State->Fd : -1; }

TDirectory& TDirectory::operator=(TDirectory&& Other) noexcept {
  if (this != &Other) {
    Close();
    State = Other.State;
    Other.State = nullptr;
  }
  return *this;
}

void TDirectory::Close() {
  if (State == nullptr) return;
  if (State->Stream != nullptr)
    closedir(State->Stream);
  else
    close(State->Fd);
  delete State;
  State = nullptr;
}

static int Adopt(int Fd, TDirectory& Dir) {
  if (Fd < 0) return errno;
  Dir.State = new TDirectoryState{Fd, nullptr};
  return 0;
}

int OpenDirectory(const std::string& Path, TDirectory& Dir) {
  Dir.Close();
  return Adopt(open(Path.empty() ? "." : Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), Dir);
}

int OpenSubdirectory(const TDirectory& Parent, const std::string& Name, TDirectory& Dir) {
  Dir.Close();
  const int Fd = openat(DirectoryDescriptor(Parent), Name.c_str(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (Fd < 0 && errno == ENOTDIR) {
    // O_DIRECTORY reports a link as "not a directory" before O_NOFOLLOW can say ELOOP.
    struct stat Info;
    if (fstatat(DirectoryDescriptor(Parent), Name.c_str(), &Info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(Info.st_mode))
      return LinkError;
    errno = ENOTDIR;
  }
  return Adopt(Fd, Dir);
}

bool DirectoryIdentity(const TDirectory& Dir, TFileIdentity& Identity) {
  struct stat Info;
  if (fstat(DirectoryDescriptor(Dir), &Info) != 0) return false;
  Identity.Device = static_cast<uint64_t>(Info.st_dev);
  Identity.Index = static_cast<uint64_t>(Info.st_ino);
  return true;
}

static bool IsHiddenName(std::string_view Name) {
  return Name[0] == '.' && Name != "." && Name != "..";
}

// Reads entries until one carries no excluded bit; nonzero at the end, with Rec still holding the
// last entry that qualified. stat is called only where the entry type cannot tell a directory: an
// unknown type, or a link, which counts as what it leads to.
static int ReadQualifying(TSearchRec& Rec) {
  DIR* Stream = Rec.State->Directory->Stream;
  for (;;) {
    errno = 0;
    const dirent* Entry = readdir(Stream);
    if (Entry == nullptr) return errno != 0 ? errno : DirScanNoMoreEntries;
    uint32_t Attr = IsHiddenName(Entry->d_name) ? AttrHidden : 0;
    unsigned char Type = Entry->d_type;
    struct stat Info;
    if (Type == DT_UNKNOWN &&
        fstatat(dirfd(Stream), Entry->d_name, &Info, AT_SYMLINK_NOFOLLOW) == 0)
      Type = S_ISLNK(Info.st_mode) ? DT_LNK : S_ISDIR(Info.st_mode) ? DT_DIR : DT_REG;
    if (Type == DT_LNK) {
      Attr |= AttrReparsePoint;
      if (fstatat(dirfd(Stream), Entry->d_name, &Info, 0) == 0 && S_ISDIR(Info.st_mode))
        Attr |= AttrDirectory;
    } else if (Type == DT_DIR) {
      Attr |= AttrDirectory;
    }
    if (Attr & Rec.ExcludeAttr) continue;
    Rec.Name = Entry->d_name;
    Rec.Attr = Attr;
    return 0;
  }
}

int DirScanFirst(TDirectory& Dir, uint32_t AttrSet, TSearchRec& Rec) {
  DirScanClose(Rec);
  TDirectoryState* State = Dir.State;
  if (State == nullptr) return EBADF;
  if (State->Stream == nullptr) {
    State->Stream = fdopendir(State->Fd);
    if (State->Stream == nullptr) return errno;
  } else {
    rewinddir(State->Stream);
  }
  Rec.State = new TDirScanState{State};
  Rec.ExcludeAttr = ~AttrSet & (AttrHidden | AttrSystem | AttrVolumeLabel | AttrDirectory);
  int Result = ReadQualifying(Rec);
  if (Result != 0) DirScanClose(Rec);
  return Result;
}

int DirScanNext(TSearchRec& Rec) {
  if (Rec.State == nullptr) return EBADF;
  return ReadQualifying(Rec);
}

void DirScanClose(TSearchRec& Rec) {
  delete Rec.State;
  Rec.State = nullptr;
}

bool IsReadOnlyEntry(const TDirectory& Dir, const TSearchRec& Rec) {
  struct stat Info;
  return fstatat(DirectoryDescriptor(Dir), Rec.Name.c_str(), &Info, 0) == 0 &&
         !(Info.st_mode & S_IWUSR);
}
