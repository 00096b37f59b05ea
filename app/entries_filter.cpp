// Reading and filtering an administrative entries file.
#include "app/entries_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/held_files.h"
#include "app/output.h"
#include "ignore/ignore_list.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/line_file.h"
#include "platform/raw_file.h"
#include "platform/text.h"

bool TRemovalTest::IsRemovable(std::string_view Name) const {
  bool Removable = Patterns.Matches(Name);
  if (!TargetFileName.empty())
    Removable =
        NamesIgnoreCase ? LowerAscii(Name) == LowerAscii(TargetFileName) : Name == TargetFileName;
  return Removable;
}

bool TRemovalTest::IsRemovableLine(std::string_view Line) const {
  if (!Line.starts_with('/')) return false;
  const std::string_view Rest = Line.substr(1);
  return IsRemovable(Rest.substr(0, Rest.find('/')));
}

static constexpr const char* NotRegular = "Left unchanged (not a regular file): ";
static constexpr const char* CannotBeRead = "Left unchanged (cannot be read): ";
static constexpr const char* LineTooLong = "Left unchanged (a line longer than 32 MiB): ";
static constexpr const char* MarkBeforeEnd =
    "Left unchanged (0x1A end-of-file mark before the end): ";
static constexpr const char* ReadOnly = "Left unchanged (read-only): ";
static constexpr const char* CannotWriteCopy = "Left unchanged (cannot write its new copy): ";
static constexpr const char* CannotReplace = "Left unchanged (cannot be replaced): ";

namespace {

// One entries file read line by line: the one loop behind both the look and the filter.
class TEntriesReader {
 public:
  /// Opens the file; false when it is not there. A directory of that name is no file either:
  /// CVS finds no entries in it.
  bool Open(const TDirectory& Admin, const std::string& Name) {
    LineFileOpenReadAt(File, Admin, Name);
    const int Code = LineFileErrorCode(File);
    return !IsNotFoundError(Code) && Code != IsADirectoryError;
  }
  /// Calls Removed(Line, Begin, End) for each removable line, Begin and End being its offsets
  /// with its line end; gives why the file cannot be rewritten without loss, or nothing when it
  /// was read whole. CVS reads past a 0x1A mark: whatever follows it would be lost.
  template <typename TRemoved>
  const char* Read(const TRemovalTest& Test, TRemoved&& Removed) {
    if (LineFileFailed(File))
      return LineFileErrorCode(File) == NotRegularFileError ? NotRegular : CannotBeRead;
    std::string Line;
    while (!LineFileAtEnd(File)) {
      const std::uint64_t Begin = LineFileOffset(File);
      LineFileReadLine(File, Line);
      if (LineFileLineTooLong(File)) break;
      if (Test.IsRemovableLine(Line)) Removed(Line, Begin, LineFileOffset(File));
    }
    if (LineFileLineTooLong(File)) return LineTooLong;
    if (LineFileFailed(File)) return CannotBeRead;
    if (!LineFileReadCompletely(File)) return MarkBeforeEnd;
    return nullptr;
  }
  TFileHandle Handle() const { return LineFileHandle(File); }
  int OpenError() const { return LineFileErrorCode(File); }
  /// Lets go of the file: Windows refuses to replace a file that is open.
  void Close() { LineFileClose(File); }
  std::uint64_t Size() const { return LineFileOffset(File); }

 private:
  TLineFile File;
  TLineFileGuard Guard{File};
};

}  // namespace

TEntriesLook LookAtEntriesFile(const TDirectory& Admin, const std::string& Name,
                               const TRemovalTest& Test) {
  TEntriesLook Look;
  TEntriesReader Reader;
  if (!Reader.Open(Admin, Name)) return Look;
  Look.OpenError = Reader.OpenError();
  Look.Refusal = Reader.Read(Test, [&](const std::string& Line, std::uint64_t, std::uint64_t) {
    Look.RemovedLines.Add(Line);
  });
  if (Look.Refusal == nullptr && !Look.RemovedLines.empty() && RawIsReadOnly(Reader.Handle()))
    Look.Refusal = ReadOnly;
  Look.State = Look.Refusal != nullptr      ? esRefused
               : !Look.RemovedLines.empty() ? esRewritten
                                            : esUnchanged;
  return Look;
}

namespace {

// The filtered copy of an entries file, held on the run's record: the original's bytes with the
// removed lines' bytes cut out, copied through the handle the lines were read from, so that every
// kept byte (line ends, lone CRs, a last 0x1A) stays as it was, a file replaced meanwhile cannot
// be cut wrongly, and only one line at a time is held. The original is read and the copy written a
// block at a time, however many lines are cut.
class TCompanionCopy {
 public:
  TCompanionCopy(const TDirectory& Admin, std::string Name, TFileHandle Source)
      : Admin(Admin), Name(std::move(Name)), Source(Source) {}
  ~TCompanionCopy() { Discard(); }
  TCompanionCopy(const TCompanionCopy&) = delete;
  TCompanionCopy& operator=(const TCompanionCopy&) = delete;

  /// Leaves out the original's bytes from Begin up to End, after copying those before them.
  void Cut(std::uint64_t Begin, std::uint64_t End) {
    if (!Started) Start();
    Copy(Begin);
    Position = End;
  }
  /// Copies the rest of the original, which must hold exactly Size bytes, and makes the copy
  /// durable with the original's permissions; false, with the copy deleted, when any byte could
  /// not be read or written.
  bool Finish(std::uint64_t Size) {
    Copy(Size);
    WriteOut();
    char Probe;
    if (!Failed && RawReadAt(Source, Size, &Probe, 1) != 0) Failed = true;  // it grew meanwhile
    if (!Failed && !(RawCopyPermissions(Source, Target) && RawFlushToDisk(Target))) Failed = true;
    CloseTarget();
    if (Failed) Discard();
    return !Failed;
  }
  /// Deletes a copy that will not be used.
  void Discard() {
    CloseTarget();
    if (Started) DiscardCompanion();
    Started = false;
  }

 private:
  void Start() {
    Started = true;
    In = std::make_unique_for_overwrite<char[]>(BlockSize);
    Out = std::make_unique_for_overwrite<char[]>(BlockSize);
    // A stale companion of an earlier run goes first; a link of that name is deleted, not followed.
    RemoveFileAt(Admin, Name);
    Target = CreateCompanion(Admin, Name);
    Failed = Target == InvalidFileHandle;
  }
  // Copies the original's bytes from Position up to Offset.
  void Copy(std::uint64_t Offset) {
    while (!Failed && Position < Offset) {
      if (Position < InStart || Position >= InStart + InEnd) ReadIn();
      if (Failed) return;
      if (Filled == BlockSize) WriteOut();
      const std::uint64_t Available = std::min(Offset, InStart + InEnd) - Position;
      const auto Count =
          static_cast<std::size_t>(std::min<std::uint64_t>(Available, BlockSize - Filled));
      std::memcpy(Out.get() + Filled, In.get() + (Position - InStart), Count);
      Filled += Count;
      Position += Count;
    }
  }
  // Reads the block of the original that begins at Position.
  void ReadIn() {
    const std::ptrdiff_t Count = RawReadAt(Source, Position, In.get(), BlockSize);
    InStart = Position;
    InEnd = Count > 0 ? static_cast<std::size_t>(Count) : 0;
    if (Count <= 0) Failed = true;
  }
  void WriteOut() {
    if (!Failed && Filled > 0 && !RawWrite(Target, Out.get(), Filled)) Failed = true;
    Filled = 0;
  }
  void CloseTarget() {
    if (Target != InvalidFileHandle && !RawClose(Target)) Failed = true;
    Target = InvalidFileHandle;
  }

  static constexpr std::size_t BlockSize = 65536;
  const TDirectory& Admin;
  std::string Name;
  TFileHandle Source;
  TFileHandle Target = InvalidFileHandle;
  std::unique_ptr<char[]> In;  ///< the original's bytes from InStart, InEnd of them
  std::uint64_t InStart = 0;
  std::size_t InEnd = 0;
  std::unique_ptr<char[]> Out;  ///< the copy's bytes not yet written, Filled of them
  std::size_t Filled = 0;
  std::uint64_t Position = 0;  ///< the next byte of the original to copy
  bool Started = false;
  bool Failed = false;
};

}  // namespace

static TFilterResult Refuse(const char* Reason, const std::string& Path, TFilterResult Result,
                            TOutput& Output) {
  Output.EchoLine(Reason + Path);
  Result.Outcome = foRefused;
  return Result;
}

TFilterResult FilterEntriesFile(const TDirectory& Admin, const std::string& Name,
                                const std::string& Path, const TRemovalTest& Test,
                                TOutput& Output) {
  TFilterResult Result;
  TEntriesReader Reader;
  if (!Reader.Open(Admin, Name)) return Result;
  TCompanionCopy Copy(Admin, Name + ".out", Reader.Handle());
  const char* Refusal =
      Reader.Read(Test, [&](const std::string& Line, std::uint64_t Begin, std::uint64_t End) {
        Output.LogLine("Remove from " + Path + ": " + Line);
        ++Result.Removed;
        Copy.Cut(Begin, End);
      });
  if (Refusal != nullptr) return Refuse(Refusal, Path, Result, Output);
  if (Result.Removed == 0) return Result;
  if (RawIsReadOnly(Reader.Handle())) return Refuse(ReadOnly, Path, Result, Output);
  if (!Copy.Finish(Reader.Size())) return Refuse(CannotWriteCopy, Path, Result, Output);
  Reader.Close();
  // The log names every removed line before the file loses it; a log that cannot say so stops
  // the run here.
  if (!Output.HandOn()) {
    Result.Outcome = foRefused;
    return Result;
  }
  if (!ReplaceByCompanion(Name)) return Refuse(CannotReplace, Path, Result, Output);
  Result.Outcome = foReplaced;
  return Result;
}
