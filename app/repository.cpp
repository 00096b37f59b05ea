// Revision files of a local repository.
#include "app/repository.h"

#include "app/command_line.h"
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

void CleanRepository(const std::string& AdminDirectory, bool MayDelete) {
  TStringList Lines;
  std::string Root = LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Root");
  if (!Root.starts_with(LocalRootPrefix)) return;
  Root.erase(0, LocalRootPrefix.size());
  std::string Repository = LoadTrimmedText(Lines, AdminDirectory + PathDelimiter + "Repository");
  std::string Directory = Root + PathDelimiter + Repository;
  if (LiveMode && !MayDelete)
    EchoLine("Repository left unchanged (entries not rewritten): " + Directory);
  DeleteRevisionFiles(Directory, MayDelete);
}

// Deletes one revision file, read-only or not; a failure leaves it as it was.
static void DeleteRevisionFile(const std::string& Path, uint32_t Attr) {
  bool WasReadOnly = (Attr & AttrReadOnly) != 0;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr & ~AttrReadOnly);
  if (DeleteFileAt(Path) || !FilePresent(Path)) return;
  if (WasReadOnly) ChangeFileAttributes(Path, Attr);
  EchoLine("Could not delete from repository: " + Path);
}

void DeleteRevisionFiles(std::string Directory, bool MayDelete) {
  if (!Directory.ends_with(PathDelimiter)) Directory += PathDelimiter;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  for (int Result = DirScanFirst(Directory + "*", 63, Rec); Result == 0;
       Result = DirScanNext(Rec)) {
    if (Rec.Attr & AttrDirectory) continue;
    std::size_t Suffix = Rec.Name.find(",v");
    if (Suffix == std::string::npos) continue;
    if (!IsRemovable(std::string_view(Rec.Name).substr(0, Suffix))) continue;
    std::string Path = Directory + Rec.Name;
    LogLine("Delete from repository: " + Path);
    if (LiveMode && MayDelete) DeleteRevisionFile(Path, Rec.Attr);
  }
}
