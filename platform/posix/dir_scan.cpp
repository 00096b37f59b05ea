// POSIX directory enumeration with Windows-style attribute words: directory
// from stat (links followed), hidden for names that begin with '.', read-only
// for a clear owner-write bit; system and volume label are never set.
#include "platform/dir_scan.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_system.h"

// Distinct from every code opendir and readdir give, so the end of a listing is
// never taken for a failure to list.
const int DirScanNoMoreEntries = ENODATA;

struct TDirScanState {
  DIR* Dir = nullptr;
};

static uint32_t AttributesOf(DIR* Dir, const char* Name) {
  struct stat Info;
  uint32_t Attr = 0;
  if (fstatat(dirfd(Dir), Name, &Info, 0) == 0 ||
      fstatat(dirfd(Dir), Name, &Info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(Info.st_mode)) Attr |= AttrDirectory;
    if (!(Info.st_mode & S_IWUSR)) Attr |= AttrReadOnly;
  }
  std::string_view View(Name);
  if (View[0] == '.' && View != "." && View != "..") Attr |= AttrHidden;
  return Attr;
}

// Reads entries until one carries no excluded bit; nonzero at the end.
static int ReadQualifying(TSearchRec& Rec) {
  for (;;) {
    errno = 0;
    dirent* Entry = readdir(Rec.State->Dir);
    if (Entry == nullptr) return errno != 0 ? errno : DirScanNoMoreEntries;
    uint32_t Attr = AttributesOf(Rec.State->Dir, Entry->d_name);
    if (Attr & Rec.ExcludeAttr) continue;
    Rec.Name = Entry->d_name;
    Rec.Attr = Attr;
    return 0;
  }
}

int DirScanFirst(const std::string& Pattern, uint32_t AttrSet, TSearchRec& Rec) {
  DirScanClose(Rec);
  std::string Directory = Pattern.substr(0, Pattern.size() - (Pattern.ends_with('*') ? 1 : 0));
  DIR* Dir = opendir(Directory.empty() ? "." : Directory.c_str());
  if (Dir == nullptr) return errno != 0 ? errno : ENOENT;
  Rec.State = new TDirScanState{Dir};
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
  closedir(Rec.State->Dir);
  delete Rec.State;
  Rec.State = nullptr;
}
