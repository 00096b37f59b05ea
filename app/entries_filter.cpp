// Filtering an administrative entries file.
#include "app/entries_filter.h"

#include "app/command_line.h"
#include "app/output.h"
#include "ignore/ignore_list.h"
#include "platform/file_system.h"
#include "platform/line_file.h"
#include "platform/text.h"
#include "textutil/dbutil.h"

bool IsRemovable(std::string_view Name) {
  bool Removable = MatchesIgnoreList(Name);
  if (!TargetFileName.empty()) Removable = LowerAscii(Name) == LowerAscii(TargetFileName);
  return Removable;
}

// Why the filtered copy lacks some kept line, or nothing when it holds them all.
static const char* IncompleteCopyReason(TLineFile& Entries, const TLineFile& Companion) {
  if (LineFileFailed(Entries)) return "Left unchanged (cannot be read): ";
  // The reader stops at 0x1A; whatever follows it would be lost.
  if (!LineFileReadCompletely(Entries))
    return "Left unchanged (0x1A end-of-file mark before the end): ";
  if (LineFileFailed(Companion)) return "Left unchanged (cannot write its new copy): ";
  return nullptr;
}

// Replaces the file by its filtered copy in one step, or keeps it and says why.
static bool ReplaceByCompanion(TLineFile& Entries, TLineFile& Companion, const std::string& Path) {
  const std::string CompanionPath = Path + ".out";
  LineFileFlushToDisk(Companion);
  LineFileClose(Companion);
  const char* Incomplete = IncompleteCopyReason(Entries, Companion);
  LineFileClose(Entries);
  if (Incomplete != nullptr) {
    DeleteFileAt(CompanionPath);  // a partial copy is of no use to anyone
    EchoLine(Incomplete + Path);
    return false;
  }
  // A complete copy that cannot take the file's place stays beside it.
  if (IsReadOnly(Path)) {
    EchoLine("Left unchanged (read-only): " + Path);
    return false;
  }
  if (!ReplaceFileWith(Path, CompanionPath)) {
    EchoLine("Left unchanged (cannot be replaced): " + Path);
    return false;
  }
  return true;
}

bool FilterEntriesFile(const std::string& Path) {
  if (!FilePresent(Path)) return true;
  TLineFile Entries;
  TLineFileGuard EntriesGuard(Entries);
  LineFileAssign(Entries, Path);
  LineFileOpenRead(Entries);
  TLineFile Companion;
  TLineFileGuard CompanionGuard(Companion);
  if (LiveMode) {
    LineFileAssign(Companion, Path + ".out");
    LineFileCreate(Companion);
  }
  std::string Line;
  while (!LineFileAtEnd(Entries)) {
    LineFileReadLine(Entries, Line);
    if (IsRemovable(ExtractField(Line, "/", 2))) {
      LogLine("Remove from " + Path + ": " + Line);
    } else if (LiveMode) {
      LineFileWriteLine(Companion, Line);
    }
  }
  if (!LiveMode) return true;
  return ReplaceByCompanion(Entries, Companion, Path);
}
