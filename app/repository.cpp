// Revision files of a local repository.
#include "app/repository.h"

#include "app/entries_filter.h"
#include "app/output.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/text.h"

static constexpr std::string_view LocalRootPrefix = ":local:";

// One administrative file read whole: its lines joined and trimmed.
static std::string LoadTrimmedText(TStringList& Lines, const std::string& Path) {
  LoadLinesFromFile(Lines, Path);
  return TrimBlanks(JoinLinesToText(Lines));
}

// The repository root named by a Root text, or false for a root that is not local.
static bool TakeLocalRoot(std::string& Root) {
  if (Root.starts_with(LocalRootPrefix)) {
    Root.erase(0, LocalRootPrefix.size());
    return true;
  }
  return BareAbsoluteRootIsLocal && IsAbsolutePath(Root);
}

void CleanRepository(const std::string& AdminDirectory, bool Live, bool MayDelete) {
  TStringList Lines;
  std::string Root = LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Root");
  if (!TakeLocalRoot(Root)) return;
  std::string Repository = LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Repository");
  // Older clients wrote the repository directory's absolute path, and CVS reads both forms.
  std::string Directory =
      IsAbsolutePath(Repository) ? Repository : Root + PathDelimiter + Repository;
  if (Live && !MayDelete)
    EchoLine("Repository left unchanged (entries not rewritten): " + Directory);
  DeleteRevisionFiles(Directory, Live && MayDelete);
}

// Deletes one revision file, read-only or not; a failure leaves it as it was.
static void DeleteRevisionFile(const std::string& Path, uint32_t Attr) {
  bool WasReadOnly = (Attr & AttrReadOnly) != 0;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr & ~AttrReadOnly);
  if (DeleteFileAt(Path) || !FilePresent(Path)) return;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr);
  EchoLine("Could not delete from repository: " + Path);
}

void DeleteRevisionFiles(std::string Directory, bool Delete) {
  if (!Directory.ends_with(PathDelimiter)) Directory += PathDelimiter;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Directory + "*", 63, Rec);
  // A repository directory that does not exist holds nothing to delete.
  if (Result != 0 && !IsDirectory(Directory)) return;
  for (; Result == 0; Result = DirScanNext(Rec)) {
    if (Rec.Attr & AttrDirectory) continue;
    std::size_t Suffix = Rec.Name.find(",v");
    if (Suffix == std::string::npos) continue;
    if (!IsRemovable(std::string_view(Rec.Name).substr(0, Suffix))) continue;
    std::string Path = Directory + Rec.Name;
    LogLine("Delete from repository: " + Path);
    if (Delete) DeleteRevisionFile(Path, Rec.Attr);
  }
  ReportUnlistable(Directory, Result);
}
