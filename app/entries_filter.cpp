// Filtering an administrative entries file.
#include "app/entries_filter.h"

#include <cstddef>

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

// Why the filtered copy would lack some kept line, or nothing when it holds them all.
static const char* IncompleteCopyReason(TLineFile& Entries, const TLineFile& Companion,
                                        bool PrefixCopied) {
  if (LineFileFailed(Entries) || !PrefixCopied) return "Left unchanged (cannot be read): ";
  // The reader stops at 0x1A; whatever follows it would be lost.
  if (!LineFileReadCompletely(Entries))
    return "Left unchanged (0x1A end-of-file mark before the end): ";
  if (LineFileFailed(Companion)) return "Left unchanged (cannot write its new copy): ";
  return nullptr;
}

static TFilterOutcome Refuse(const char* Reason, const std::string& Path) {
  EchoLine(Reason + Path);
  return foRefused;
}

// Creates the companion holding the file's first Count lines, which stand in
// the file exactly as they are written. False when they could not be read again.
static bool StartCompanion(TLineFile& Companion, const std::string& Path, std::size_t Count) {
  LineFileAssign(Companion, Path + ".out");
  LineFileCreate(Companion);
  TLineFile Original;
  TLineFileGuard OriginalGuard(Original);
  LineFileAssign(Original, Path);
  LineFileOpenRead(Original);
  std::string Line;
  for (; Count > 0 && !LineFileAtEnd(Original); --Count) {
    LineFileReadLine(Original, Line);
    LineFileWriteLine(Companion, Line);
  }
  return Count == 0 && !LineFileFailed(Original);
}

// Replaces the file by its filtered copy in one step, or keeps it and says why.
static TFilterOutcome ReplaceByCompanion(TLineFile& Entries, TLineFile& Companion,
                                         const std::string& Path, bool PrefixCopied) {
  const std::string CompanionPath = Path + ".out";
  LineFileFlushToDisk(Companion);
  LineFileClose(Companion);
  const char* Incomplete = IncompleteCopyReason(Entries, Companion, PrefixCopied);
  LineFileClose(Entries);
  if (Incomplete != nullptr) {
    DeleteFileAt(CompanionPath);  // a partial copy is of no use to anyone
    return Refuse(Incomplete, Path);
  }
  // A complete copy that cannot take the file's place stays beside it.
  if (IsReadOnly(Path)) return Refuse("Left unchanged (read-only): ", Path);
  if (!ReplaceFileWith(Path, CompanionPath))
    return Refuse("Left unchanged (cannot be replaced): ", Path);
  return foReplaced;
}

TFilterOutcome FilterEntriesFile(const std::string& Path, bool Rewrite) {
  if (!FilePresent(Path)) return foKept;
  TLineFile Entries;
  TLineFileGuard EntriesGuard(Entries);
  LineFileAssign(Entries, Path);
  LineFileOpenRead(Entries);
  TLineFile Companion;
  TLineFileGuard CompanionGuard(Companion);
  // The companion is started at the first change; the lines before it are
  // copied then. A file that would not change is never written at all.
  bool Copying = false;
  bool PrefixCopied = true;
  std::size_t UnchangedLines = 0;
  std::string Line;
  while (!LineFileAtEnd(Entries)) {
    LineFileReadLine(Entries, Line);
    const bool Removed = IsRemovable(ExtractField(Line, "/", 2));
    if (Removed) LogLine("Remove from " + Path + ": " + Line);
    if (!Rewrite) continue;
    if (!Copying) {
      if (!Removed && LineFileLastLineAsWritten(Entries)) {
        ++UnchangedLines;
        continue;
      }
      PrefixCopied = StartCompanion(Companion, Path, UnchangedLines);
      Copying = true;
    }
    if (!Removed) LineFileWriteLine(Companion, Line);
  }
  if (!Rewrite) return foKept;
  if (!Copying) {
    if (!LineFileFailed(Entries) && !LineFileStoppedAtMark(Entries)) return foKept;
    if (const char* Reason = IncompleteCopyReason(Entries, Companion, true))
      return Refuse(Reason, Path);
    // Only a last 0x1A is left over, and the copy drops it.
    PrefixCopied = StartCompanion(Companion, Path, UnchangedLines);
  }
  return ReplaceByCompanion(Entries, Companion, Path, PrefixCopied);
}
