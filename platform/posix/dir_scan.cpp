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

struct TDirectoryState {
  int Fd = -1;
  bool Listed = false;  ///< a later listing starts again from the first entry
};

// Linux lists a descriptor itself with getdents64; elsewhere a stream is made on a copy of it.
#if defined(__linux__)
struct TDirScanState {
  int DirectoryFd = -1;
  std::size_t Position = 0;
  std::size_t End = 0;
  alignas(dirent64) char Buffer[32768];
};

static int OpenListing(TDirectoryState& Directory, TDirScanState&) {
  if (Directory.Listed && lseek(Directory.Fd, 0, SEEK_SET) != 0) return errno;
  Directory.Listed = true;
  return 0;
}

static void CloseListing(TDirScanState&) {}

// The next entry, or null at the end (errno then 0) or on a failure.
static const dirent64* NextEntry(TDirScanState& Scan) {
  if (Scan.Position == Scan.End) {
    const ssize_t Count = getdents64(Scan.DirectoryFd, Scan.Buffer, sizeof Scan.Buffer);
    if (Count <= 0) return nullptr;
    Scan.Position = 0;
    Scan.End = static_cast<std::size_t>(Count);
  }
  const auto* Entry = reinterpret_cast<const dirent64*>(Scan.Buffer + Scan.Position);
  Scan.Position += Entry->d_reclen;
  return Entry;
}
#else
struct TDirScanState {
  DIR* Stream = nullptr;
  int DirectoryFd = -1;
};

static int OpenListing(TDirectoryState& Directory, TDirScanState& Scan) {
  const int Copy = openat(Directory.Fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Copy < 0) return errno;
  Scan.Stream = fdopendir(Copy);
  if (Scan.Stream != nullptr) return 0;
  const int Error = errno;
  close(Copy);
  return Error;
}

static void CloseListing(TDirScanState& Scan) {
  if (Scan.Stream != nullptr) closedir(Scan.Stream);
}

static const dirent* NextEntry(TDirScanState& Scan) { return readdir(Scan.Stream); }
#endif

int DirectoryDescriptor(const TDirectory& Dir) { return Dir.State != nullptr ? Dir.State->Fd : -1; }

void TDirectory::Close() {
  if (State == nullptr) return;
  close(State->Fd);
  delete State;
  State = nullptr;
}

static int Adopt(int Fd, TDirectory& Dir) {
  if (Fd < 0) return errno;
  Dir.State = new TDirectoryState{Fd, false};
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
  const int Fd = Rec.State->DirectoryFd;
  for (;;) {
    errno = 0;
    const auto* Entry = NextEntry(*Rec.State);
    if (Entry == nullptr) return errno != 0 ? errno : DirScanNoMoreEntries;
    uint32_t Attr = IsHiddenName(Entry->d_name) ? AttrHidden : 0;
    unsigned char Type = Entry->d_type;
    struct stat Info;
    if (Type == DT_UNKNOWN && fstatat(Fd, Entry->d_name, &Info, AT_SYMLINK_NOFOLLOW) == 0)
      Type = S_ISLNK(Info.st_mode) ? DT_LNK : S_ISDIR(Info.st_mode) ? DT_DIR : DT_REG;
    if (Type == DT_LNK) {
      Attr |= AttrReparsePoint;
      if (fstatat(Fd, Entry->d_name, &Info, 0) == 0 && S_ISDIR(Info.st_mode)) Attr |= AttrDirectory;
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
  if (Dir.State == nullptr) return EBADF;
  auto* Scan = new TDirScanState;
  if (const int Error = OpenListing(*Dir.State, *Scan)) {
    delete Scan;
    return Error;
  }
  Scan->DirectoryFd = Dir.State->Fd;
  Rec.State = Scan;
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
  if (Rec.State == nullptr) return;
  CloseListing(*Rec.State);
  delete Rec.State;
  Rec.State = nullptr;
}

bool IsReadOnlyEntry(const TDirectory& Dir, const TSearchRec& Rec) {
  struct stat Info;
  return fstatat(DirectoryDescriptor(Dir), Rec.Name.c_str(), &Info, 0) == 0 &&
         !(Info.st_mode & S_IWUSR);
}
