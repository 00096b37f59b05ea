// libFuzzer target: any bytes as an Entries file, read line by line and filtered on a real file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/entries_filter.h"
#include "app/output.h"
#include "ignore/ignore_list.h"
#include "ignore/masks.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/line_file.h"
#include "platform/text.h"
#include "tests/support/reference_lines.h"

namespace fs = std::filesystem;

// Patterns the control byte picks from; together they remove some names and keep others.
static const char* const PatternTable[] = {"*.o", "a*", "", "[0-9x]*"};
// Reading it fails at once (nothing is mapped at address 0): a file that cannot be read whole.
static const char UnreadableTarget[] = "/proc/self/mem";

static std::string Scratch;  // the target's own directory, removed at exit
static std::string EntriesPath;
static std::string CompanionPath;
static std::string LogPath;
static int FuzzerDirectory = -1;  // where libFuzzer keeps its relative paths

static void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

static std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

static void WriteFile(const std::string& Path, std::string_view Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  Check(Out.good());
}

static void RemoveScratch() {
  std::error_code Ignored;
  fs::remove_all(Scratch, Ignored);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* Base = std::getenv("TMPDIR");
  std::string Template = std::string(Base != nullptr && *Base != '\0' ? Base : "/tmp") +
                         "/morvellan-entries-fuzz-XXXXXX";
  if (mkdtemp(Template.data()) == nullptr) std::abort();
  Scratch = Template;
  std::atexit(RemoveScratch);
  EntriesPath = Scratch + "/Entries";
  CompanionPath = EntriesPath + ".out";
  LogPath = Scratch + "/" + std::string(LogFileName);
  FuzzerDirectory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // "Left unchanged" lines also reach the log, which is where they are checked.
  const int Null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (FuzzerDirectory < 0 || Null < 0 || dup2(Null, STDOUT_FILENO) < 0) std::abort();
  close(Null);
  return 0;
}

// The patterns of the table read alike as masks and as CVS's fnmatch, so a mask decides here.
static bool ExpectRemovable(const std::string& Line, const TStringList& Patterns,
                            const std::string& TargetFileName) {
  if (!Line.starts_with('/')) return false;  // only file lines are candidates
  const std::string_view Rest = std::string_view(Line).substr(1);
  const std::string_view Name = Rest.substr(0, Rest.find('/'));  // taken literally
  bool Removable = false;
  for (const std::string& Pattern : Patterns)
    if (NameMatchesMask(Name, Pattern)) {
      Removable = true;
      break;
    }
  if (!TargetFileName.empty()) Removable = Name == TargetFileName;
  return Removable;
}

static void CheckLineReader(const TReferenceLines& Expected) {
  TLineFile File;
  LineFileAssign(File, EntriesPath);
  LineFileOpenRead(File);
  std::vector<std::string> Lines;
  std::string Line;
  while (!LineFileAtEnd(File)) {
    LineFileReadLine(File, Line);
    Lines.push_back(Line);
  }
  Check(Lines == Expected.Lines);
  Check(!LineFileFailed(File));
  Check(LineFileReadCompletely(File) == !Expected.StoppedBeforeEnd);
  LineFileClose(File);
}

static bool IsLink(const std::string& Path) {
  struct stat Info;
  return lstat(Path.c_str(), &Info) == 0 && S_ISLNK(Info.st_mode);
}

// Every line read must be kept or logged as removed, in order; a rewritten file holds exactly the
// kept lines; a file with 0x1A before its end, or one that cannot be read, stays as it was; test
// mode's look finds exactly what live mode would do. The input is a control byte and the file's
// bytes. Control bits: 0 rewrite (live mode); 1 read-only file; 2 a file that cannot be read (a
// link, never followed); 3 single-file mode; 4 to 7 which patterns are in the list.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::uint8_t Control = Data[0];
  const std::string_view Original(reinterpret_cast<const char*>(Data + 1), Size - 1);
  const bool Live = (Control & 1) != 0;
  const bool ReadOnly = (Control & 2) != 0;
  const bool Unreadable = (Control & 4) != 0;
  const std::string TargetFileName = (Control & 8) != 0 ? "A.o" : "";
  TStringList Patterns;
  for (int Bit = 0; Bit < 4; ++Bit)
    if (Control & (16 << Bit)) Patterns.emplace_back(PatternTable[Bit]);
  const TIgnoreList List(Patterns);
  const TRemovalTest Test(List, TargetFileName);

  fs::remove(EntriesPath);
  fs::remove(CompanionPath);
  if (Unreadable) {
    fs::create_symlink(UnreadableTarget, EntriesPath);
  } else {
    WriteFile(EntriesPath, Original);
    CheckLineReader(SplitReferenceLines(Original));
    if (ReadOnly) Check(ChangeFileAttributes(EntriesPath, AttrReadOnly) == 0);
  }
  const TReferenceLines Reference = Unreadable ? TReferenceLines() : SplitReferenceLines(Original);
  auto Removable = [&](const std::string& Line) {
    return ExpectRemovable(Line, Patterns, TargetFileName);
  };
  std::vector<std::string> RemovedLines;
  for (const std::string& Line : Reference.Lines)
    if (Removable(Line)) RemovedLines.push_back(Line);
  const bool Refused =
      Unreadable || Reference.StoppedBeforeEnd || (ReadOnly && !RemovedLines.empty());

  TDirectory Admin;
  Check(OpenDirectory(Scratch, Admin) == 0);
  if (!Live) {
    const TEntriesLook Look = LookAtEntriesFile(Admin, "Entries", Test);
    Check(Look.RemovedLines.size() == RemovedLines.size());
    for (std::size_t Index = 0; Index < RemovedLines.size(); ++Index)
      Check(Look.RemovedLines[Index] == RemovedLines[Index]);
    Check(Look.State == (Refused ? esRefused : RemovedLines.empty() ? esUnchanged : esRewritten));
    Check(!fs::exists(CompanionPath));
    return 0;
  }

  // The log is created in the current directory; the fuzzer's own paths may be relative.
  TOutput Output;
  if (chdir(Scratch.c_str()) != 0) std::abort();
  Output.OpenLog();
  if (fchdir(FuzzerDirectory) != 0) std::abort();
  const TFilterResult Result = FilterEntriesFile(Admin, "Entries", EntriesPath, Test, Output);
  Output.CloseLog();

  std::string ExpectedLog;
  for (const std::string& Line : RemovedLines) {
    ExpectedLog += "Remove from " + EntriesPath + ": " + Line;
    ExpectedLog += LineEnd;
  }
  // A rewrite cuts out the removed lines' bytes and keeps every other byte.
  const std::string Filtered = Reference.Without(Removable);
  const std::string Log = ReadFile(LogPath);
  // A file from which nothing goes is left alone, and a read-only one then needs no word.
  const TFilterOutcome Expected = Refused ? foRefused : RemovedLines.empty() ? foKept : foReplaced;
  Check(Result.Outcome == Expected);
  Check(Result.Removed == RemovedLines.size());
  // A companion that does not take the file's place is deleted at once.
  Check(!fs::exists(CompanionPath));
  if (Unreadable)
    Check(IsLink(EntriesPath) && fs::read_symlink(EntriesPath) == UnreadableTarget);
  else
    Check(ReadFile(EntriesPath) ==
          (Result.Outcome == foReplaced ? Filtered : std::string(Original)));
  if (Result.Outcome != foRefused) {
    Check(Log == ExpectedLog);
    return 0;
  }
  // A refusal is said in one more line, which names the file.
  Check(Log.starts_with(ExpectedLog));
  const std::string Said = Log.substr(ExpectedLog.size());
  const std::string Ending = "): " + EntriesPath + std::string(LineEnd);
  Check(Said.starts_with("Left unchanged (") && Said.ends_with(Ending));
  Check(Said.find(LineEnd) == Said.size() - LineEnd.size());
  return 0;
}
