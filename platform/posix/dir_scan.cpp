// POSIX directory enumeration with Windows-style attribute words: directory
// from the entry type (links followed), reparse point for a symbolic link,
// hidden for names that begin with '.',
// read-only for a clear owner-write bit, looked up only when a reader asks for
// it; system and volume label are never set.
#include "platform/dir_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cassert>
#include <cerrno>

#include "platform/file_system.h"

// Distinct from every code opendir and readdir give, so the end of a listing is
// never taken for a failure to list.
const int DirScanNoMoreEntries = ENODATA;

struct TDirScanState {
  DIR* Dir = nullptr;
};

// The entry's own status, links followed; a dangling link's own status.
static bool StatusOf(DIR* Dir, const char* Name, struct stat& Info) {
  return fstatat(dirfd(Dir), Name, &Info, 0) == 0 ||
         fstatat(dirfd(Dir), Name, &Info, AT_SYMLINK_NOFOLLOW) == 0;
}

static bool IsLink(DIR* Dir, const char* Name) {
  struct stat Info;
  return fstatat(dirfd(Dir), Name, &Info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(Info.st_mode);
}

static bool IsReadOnlyEntry(const TSearchRec& Rec) {
  assert(Rec.State != nullptr && "an attribute word is read before DirScanClose");
  struct stat Info;
  return Rec.State != nullptr && StatusOf(Rec.State->Dir, Rec.Name.c_str(), Info) &&
         !(Info.st_mode & S_IWUSR);
}

static bool IsHiddenName(std::string_view Name) {
  return Name[0] == '.' && Name != "." && Name != "..";
}

// Reads entries until one carries no excluded bit; nonzero at the end, with Rec still holding the
// last entry that qualified. stat is called only where the entry type cannot tell a directory: an
// unknown type, or a link, which counts as what it leads to.
static int ReadQualifying(TSearchRec& Rec) {
  for (;;) {
    errno = 0;
    const dirent* Entry = readdir(Rec.State->Dir);
    if (Entry == nullptr) return errno != 0 ? errno : DirScanNoMoreEntries;
    uint32_t Attr = IsHiddenName(Entry->d_name) ? AttrHidden : 0;
    const bool Stated = Entry->d_type == DT_UNKNOWN || Entry->d_type == DT_LNK;
    if (Entry->d_type == DT_LNK ||
        (Entry->d_type == DT_UNKNOWN && IsLink(Rec.State->Dir, Entry->d_name)))
      Attr |= AttrReparsePoint;
    struct stat Info;
    if (Stated && StatusOf(Rec.State->Dir, Entry->d_name, Info)) {
      if (S_ISDIR(Info.st_mode)) Attr |= AttrDirectory;
      if (!(Info.st_mode & S_IWUSR)) Attr |= AttrReadOnly;
    } else if (Entry->d_type == DT_DIR) {
      Attr |= AttrDirectory;
    }
    // The excluded bits never include the read-only bit, so it can wait.
    if (Attr & Rec.ExcludeAttr) continue;
    Rec.Name = Entry->d_name;
    if (Stated)
      Rec.Attr = Attr;
    else
      Rec.Attr.Defer(Attr, IsReadOnlyEntry, Rec);
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
