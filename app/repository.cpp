// Revision files of a local repository.
#include "app/repository.h"

#include "app/entries_filter.h"
#include "app/output.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"
#include "platform/text.h"

// One administrative file read whole: its lines joined and trimmed.
static std::string LoadTrimmedText(TStringList& Lines, const std::string& Path) {
  LoadLinesFromFile(Lines, Path);
  return TrimBlanks(JoinLinesToText(Lines));
}

static bool IsSeparator(char Byte) { return Byte == '/' || Byte == PathDelimiter; }

static std::string WithoutTrailingSeparators(std::string Path) {
  while (Path.size() > 1 && IsSeparator(Path.back())) Path.pop_back();
  return Path;
}

// Takes the method off a root ":local:/path" or ":fork:/path": CVS compares method names
// without regard to case, and a forked server works on the same local files.
static bool TakeLocalMethod(std::string& Root) {
  if (!Root.starts_with(':')) return false;
  const std::size_t MethodEnd = Root.find(':', 1);
  if (MethodEnd == std::string::npos) return false;
  const std::string Method = LowerAscii(std::string_view(Root).substr(1, MethodEnd - 1));
  if (Method != "local" && Method != "fork") return false;
  Root.erase(0, MethodEnd + 1);
  return true;
}

// The repository directory's path below the root, as CVS names its lock directory under LockDir.
static std::string PathBelowRoot(const std::string& Root, const std::string& Repository) {
  if (!IsAbsolutePath(Repository)) return WithoutTrailingSeparators(Repository);
  const std::string Directory = WithoutTrailingSeparators(Repository);
  const std::string Top = WithoutTrailingSeparators(Root);
  if (Directory == Top) return ".";
  if (Directory.size() > Top.size() && Directory.starts_with(Top) &&
      IsSeparator(Directory[Top.size()]))
    return Directory.substr(Top.size() + 1);
  return std::string();
}

TRepositoryPlace ReadRepositoryPlace(const std::string& AdminDirectory) {
  TRepositoryPlace Place;
  TStringList Lines;
  Place.RootText = LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Root");
  Place.Root = Place.RootText;
  Place.Local =
      TakeLocalMethod(Place.Root) || (BareAbsoluteRootIsLocal && IsAbsolutePath(Place.Root));
  if (!Place.Local) return Place;
  const std::string Repository =
      LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Repository");
  // Older clients wrote the repository directory's absolute path, and CVS reads both forms.
  Place.Directory = WithoutTrailingSeparators(
      IsAbsolutePath(Repository) ? Repository : Place.Root + PathDelimiter + Repository);
  Place.BelowRoot = PathBelowRoot(Place.Root, Repository);
  return Place;
}

// Calls Visit(Path, Rec) for each revision file of the directory whose entry name is removable,
// and notes in HasAttic, when given, whether it holds an Attic. A directory that cannot be listed
// is reported when Report; false then.
template <typename TVisit>
static bool ListRemovable(std::string Directory, bool Report, bool* HasAttic, TVisit& Visit) {
  Directory += PathDelimiter;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Directory + "*", 63, Rec);
  // A repository directory that does not exist holds nothing to delete.
  if (Result != 0 && !IsDirectory(Directory)) return true;
  for (; Result == 0; Result = DirScanNext(Rec)) {
    if (Rec.Attr & AttrDirectory) {
      if (HasAttic != nullptr && Rec.Name == "Attic") *HasAttic = true;
      continue;
    }
    // The entry name ends at the last ",v": "core,v2.c,v" belongs to "core,v2.c".
    const std::size_t Suffix = Rec.Name.rfind(",v");
    if (Suffix == std::string::npos) continue;
    if (!IsRemovable(std::string_view(Rec.Name).substr(0, Suffix))) continue;
    Visit(Directory + Rec.Name, Rec);
  }
  if (Result == DirScanNoMoreEntries) return true;
  if (Report) ReportUnlistable(Directory, Result);
  return false;
}

// The same for the directory and then, where it has one, its Attic, where CVS keeps the files
// removed on the trunk or added on a branch only.
template <typename TVisit>
static bool ForEachRemovable(const std::string& Directory, bool Report, TVisit&& Visit) {
  bool HasAttic = false;
  bool Listed = ListRemovable(Directory, Report, &HasAttic, Visit);
  if (HasAttic)
    Listed = ListRemovable(Directory + PathDelimiter + "Attic", Report, nullptr, Visit) && Listed;
  return Listed;
}

TRevisionLook LookAtRevisionFiles(const std::string& Directory) {
  TRevisionLook Look;
  Look.Unlistable = !ForEachRemovable(
      Directory, false, [&](const std::string&, const TSearchRec&) { ++Look.Removable; });
  return Look;
}

// Deletes one revision file, read-only or not; a failure leaves it as it was. True when it is gone.
static bool DeleteRevisionFile(const std::string& Path, uint32_t Attr) {
  const bool WasReadOnly = (Attr & AttrReadOnly) != 0;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr & ~AttrReadOnly);
  if (DeleteFileAt(Path)) return true;
  const int Reason = LastSystemError();
  if (!FilePresent(Path)) return true;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr);
  EchoShortfall("Could not delete from repository (" + SystemErrorText(Reason) + "): " + Path);
  return false;
}

std::size_t DeleteRevisionFiles(const std::string& Directory, bool Delete) {
  std::size_t Deleted = 0;
  ForEachRemovable(Directory, true, [&](const std::string& Path, const TSearchRec& Rec) {
    LogLine("Delete from repository: " + Path);
    if (!Delete) {
      ++Deleted;
      return;
    }
    HandOnLog();
    Deleted += DeleteRevisionFile(Path, Rec.Attr);
  });
  return Deleted;
}
