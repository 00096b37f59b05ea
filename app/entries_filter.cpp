// Filtering an administrative entries file.
#include "app/entries_filter.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "app/command_line.h"
#include "app/output.h"
#include "ignore/ignore_list.h"
#include "platform/file_system.h"
#include "platform/line_file.h"
#include "platform/raw_file.h"
#include "platform/text.h"
#include "textutil/dbutil.h"

static bool IsTargetFileName(std::string_view Name) {
  return NamesIgnoreCase ? LowerAscii(Name) == LowerAscii(TargetFileName) : Name == TargetFileName;
}

bool IsRemovable(std::string_view Name) {
  bool Removable = MatchesIgnoreList(Name);
  if (!TargetFileName.empty()) Removable = IsTargetFileName(Name);
  return Removable;
}

// Only file lines are candidates: a directory line ("D/name////") keeps its
// directory in every later commit and tag, and lines of kinds CVS does not
// know yet must be kept for it.
static bool IsRemovableLine(std::string_view Line) {
  return Line.starts_with('/') && IsRemovable(ExtractField(Line, "/", 2));
}

static constexpr const char* CannotBeRead = "Left unchanged (cannot be read): ";
static constexpr const char* MarkBeforeEnd =
    "Left unchanged (0x1A end-of-file mark before the end): ";
static constexpr const char* ReadOnly = "Left unchanged (read-only): ";
static constexpr const char* CannotWriteCopy = "Left unchanged (cannot write its new copy): ";
static constexpr const char* CannotReplace = "Left unchanged (cannot be replaced): ";

// Why a file read to LineFileAtEnd could not be rewritten without loss, or nothing. The reader
// stops at 0x1A, and CVS reads past it: whatever follows would be lost.
static const char* IncompleteReadReason(TLineFile& Entries) {
  if (LineFileFailed(Entries)) return CannotBeRead;
  if (!LineFileReadCompletely(Entries)) return MarkBeforeEnd;
  return nullptr;
}

TEntriesLook LookAtEntriesFile(const std::string& Path) {
  TEntriesLook Look;
  TLineFile Entries;
  TLineFileGuard EntriesGuard(Entries);
  LineFileAssign(Entries, Path);
  LineFileOpenRead(Entries);
  // Opened first and asked after: every folder has an Entries, few an Entries.Extra.
  if (LineFileFailed(Entries) && (IsNotFoundError(LastSystemError()) || !FilePresent(Path)))
    return Look;
  bool AnyRemovable = false;
  std::string Line;
  while (!LineFileAtEnd(Entries)) {
    LineFileReadLine(Entries, Line);
    AnyRemovable = AnyRemovable || IsRemovableLine(Line);
  }
  Look.Refusal = IncompleteReadReason(Entries);
  if (Look.Refusal == nullptr && AnyRemovable && IsReadOnly(Path)) Look.Refusal = ReadOnly;
  Look.State = Look.Refusal != nullptr ? esRefused : AnyRemovable ? esRewritten : esUnchanged;
  return Look;
}

namespace {

// The filtered copy of an entries file: the original's bytes with the removed lines' bytes cut
// out, copied from a second handle on the original, so that every kept byte (line ends, lone
// CRs, a last 0x1A) stays as it was while only one line at a time is held.
class TCompanionCopy {
 public:
  explicit TCompanionCopy(const std::string& Path) : Original(Path), Companion(Path + ".out") {}
  ~TCompanionCopy() { CloseHandles(); }
  TCompanionCopy(const TCompanionCopy&) = delete;
  TCompanionCopy& operator=(const TCompanionCopy&) = delete;

  /// Leaves out the original's bytes from Begin up to End, after copying those before them.
  void Cut(std::uint64_t Begin, std::uint64_t End) {
    if (!Started) Start();
    Move(Begin, true);
    Move(End, false);
  }
  /// Copies the rest of the original, which must hold exactly Size bytes, and makes the copy
  /// durable; false, with the copy deleted, when any byte could not be read or written.
  bool Finish(std::uint64_t Size) {
    Move(Size, true);
    char Probe;
    if (!Failed && RawRead(Source, &Probe, 1) != 0) Failed = true;  // the file grew meanwhile
    if (!Failed && !RawFlushToDisk(Target)) Failed = true;
    CloseHandles();
    if (Failed) DeleteFileAt(Companion);
    return !Failed;
  }
  /// Deletes a copy that will not be used.
  void Discard() {
    CloseHandles();
    if (Started) DeleteFileAt(Companion);
  }
  const std::string& Path() const { return Companion; }

 private:
  void Start() {
    Started = true;
    Buffer = std::make_unique_for_overwrite<char[]>(ChunkSize);
    Source = RawOpenRead(Original);
    Target = RawCreate(Companion);
    Failed = Source == InvalidFileHandle || Target == InvalidFileHandle;
  }
  // Reads the original up to Offset, writing what it reads to the copy when Keep.
  void Move(std::uint64_t Offset, bool Keep) {
    while (!Failed && Position < Offset) {
      const auto Wanted =
          static_cast<std::size_t>(std::min<std::uint64_t>(ChunkSize, Offset - Position));
      const std::ptrdiff_t Count = RawRead(Source, Buffer.get(), Wanted);
      if (Count <= 0 || (Keep && !RawWrite(Target, Buffer.get(), static_cast<std::size_t>(Count))))
        Failed = true;
      else
        Position += static_cast<std::uint64_t>(Count);
    }
  }
  void CloseHandles() {
    if (Source != InvalidFileHandle) RawClose(Source);
    if (Target != InvalidFileHandle && !RawClose(Target)) Failed = true;
    Source = Target = InvalidFileHandle;
  }

  static constexpr std::size_t ChunkSize = 65536;
  std::string Original;
  std::string Companion;
  TFileHandle Source = InvalidFileHandle;
  TFileHandle Target = InvalidFileHandle;
  std::unique_ptr<char[]> Buffer;
  std::uint64_t Position = 0;
  bool Started = false;
  bool Failed = false;
};

}  // namespace

static TFilterResult Refuse(const char* Reason, const std::string& Path, TFilterResult Result) {
  EchoLeftUnchanged(Reason + Path);
  Result.Outcome = foRefused;
  return Result;
}

TFilterResult FilterEntriesFile(const std::string& Path, bool Rewrite) {
  TFilterResult Result;
  if (!FilePresent(Path)) return Result;
  TLineFile Entries;
  TLineFileGuard EntriesGuard(Entries);
  LineFileAssign(Entries, Path);
  LineFileOpenRead(Entries);
  TCompanionCopy Copy(Path);
  std::string Line;
  while (!LineFileAtEnd(Entries)) {
    const std::uint64_t Begin = LineFileOffset(Entries);
    LineFileReadLine(Entries, Line);
    if (!IsRemovableLine(Line)) continue;
    LogLine("Remove from " + Path + ": " + Line);
    ++Result.Removed;
    if (Rewrite) Copy.Cut(Begin, LineFileOffset(Entries));
  }
  if (!Rewrite) return Result;
  const char* Incomplete = IncompleteReadReason(Entries);
  const std::uint64_t Size = LineFileOffset(Entries);
  LineFileClose(Entries);
  if (Incomplete != nullptr) {
    Copy.Discard();
    return Refuse(Incomplete, Path, Result);
  }
  if (Result.Removed == 0) return Result;
  if (!Copy.Finish(Size)) return Refuse(CannotWriteCopy, Path, Result);
  // A complete copy that cannot take the file's place stays beside it.
  if (IsReadOnly(Path)) return Refuse(ReadOnly, Path, Result);
  HandOnLog();
  if (!ReplaceFileWith(Path, Copy.Path())) return Refuse(CannotReplace, Path, Result);
  Result.Outcome = foReplaced;
  return Result;
}
