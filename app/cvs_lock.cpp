// CVS's write lock on a repository directory.
#include "app/cvs_lock.h"

#include <chrono>
#include <map>
#include <string_view>
#include <thread>

#include "app/held_files.h"
#include "app/output.h"
#include "app/repository.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/text.h"

static constexpr auto LockPatience = std::chrono::seconds(30);
static constexpr auto RetryInterval = std::chrono::seconds(1);
// How often a wait looks whether an interrupt asked the run to stop.
static constexpr auto InterruptCheck = std::chrono::milliseconds(50);

static bool IsSeparator(char Byte) { return Byte == '/' || Byte == PathDelimiter; }

// The LockDir that the repository's CVSROOT/config sets for Root, or empty. Keywords before any
// "[root]" line apply to every root; after a run of such lines, only to the roots they name.
static std::string ReadLockDir(const std::string& Root) {
  const std::string Config = Root + PathDelimiter + "CVSROOT" + PathDelimiter + "config";
  if (!FilePresent(Config)) return std::string();
  TStringList Lines;
  LoadLinesFromFile(Lines, Config);
  std::string LockDir;
  bool Applies = true;
  bool InHeaders = false;
  for (std::string_view Line : Lines) {
    while (!Line.empty() && (Line.front() == ' ' || Line.front() == '\t')) Line.remove_prefix(1);
    if (Line.empty() || Line.front() == '#') continue;
    if (Line.front() == '[') {
      Applies = InHeaders && Applies;
      InHeaders = true;
      const std::size_t Close = Line.find(']');
      if (Close != std::string_view::npos && Line.substr(1, Close - 1) == Root) Applies = true;
      continue;
    }
    InHeaders = false;
    if (Applies && Line.starts_with("LockDir=")) LockDir = Line.substr(8);
  }
  return LockDir;
}

static const std::string& LockDirFor(const std::string& Root) {
  static std::map<std::string, std::string> Known;
  auto [Entry, New] = Known.try_emplace(Root);
  if (New) Entry->second = ReadLockDir(Root);
  return Entry->second;
}

// The directory where the lock files go: the repository directory, or its place under LockDir.
static std::string LockDirectoryOf(const TRepositoryPlace& Place, const std::string& LockDir) {
  if (LockDir.empty()) return Place.Directory;
  return Place.BelowRoot == "." ? LockDir : LockDir + PathDelimiter + Place.BelowRoot;
}

// Makes the directories below LockDir that lead to Directory, each with its parent's
// permissions, as CVS does; 0, or the error that stops it.
static int MakeLockDirectories(const std::string& LockDir, const std::string& Directory) {
  if (DirectoryAccess(Directory, false) == 0) return 0;
  std::string Parent = LockDir;
  for (std::size_t End = LockDir.size() + 1; End <= Directory.size(); ++End) {
    if (End < Directory.size() && !IsSeparator(Directory[End])) continue;
    const std::string Current = Directory.substr(0, End);
    const int Code = MakeDirectoryLike(Current, Parent);
    if (Code != 0 && Code != AlreadyExistsError) return Code;
    Parent = Current;
  }
  return 0;
}

// Whether a lock could be made in Directory, without making it: a lock directory below LockDir
// that does not exist yet is judged by its nearest existing parent, Floor at the highest.
static int ForeseenLockError(std::string Directory, const std::string& Floor) {
  while (Directory.size() > Floor.size() && DirectoryAccess(Directory, false) != 0) {
    std::size_t Cut = Directory.size() - 1;
    while (Cut > 0 && !IsSeparator(Directory[Cut])) --Cut;
    Directory.resize(Cut);
  }
  return DirectoryAccess(Directory, true);
}

static bool CannotLock(const TRepositoryPlace& Place, const std::string& Why, TOutput& Output) {
  Output.EchoLine("Directory left unchanged (cannot lock the repository (" + Why +
                  ")): " + Place.Directory);
  return false;
}

bool CanLockRepository(const TRepositoryPlace& Place, TOutput& Output) {
  if (const int Code = DirectoryAccess(Place.Directory, false))
    return CannotLock(Place, SystemErrorText(Code), Output);
  const std::string& LockDir = LockDirFor(Place.Root);
  if (!LockDir.empty())
    if (const int Code = DirectoryAccess(LockDir, false))
      return CannotLock(Place, "LockDir " + LockDir + ": " + SystemErrorText(Code), Output);
  const std::string Directory = LockDirectoryOf(Place, LockDir);
  const int Code = ForeseenLockError(Directory, LockDir.empty() ? Directory : LockDir);
  return Code == 0 || CannotLock(Place, SystemErrorText(Code), Output);
}

namespace {

// What a lock directory holds of other processes' locks.
struct TLockScan {
  int Error = 0;         ///< the directory could not be listed
  std::string Reader;    ///< the first "#cvs.rfl..." or "#cvs.pfl..." file, with its path
  std::string HolderOf;  ///< the name of the first lock file that names its holder
};

}  // namespace

static bool IsLockFileName(std::string_view Name) {
  return Name.starts_with("#cvs.rfl.") || Name.starts_with("#cvs.pfl.") ||
         Name.starts_with("#cvs.wfl.");
}

static TLockScan ScanLocks(const std::string& Directory, const std::string& Own) {
  TLockScan Scan;
  TDirectory Dir;
  if ((Scan.Error = OpenDirectory(Directory, Dir)) != 0) return Scan;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Dir, 63, Rec);
  for (; Result == 0; Result = DirScanNext(Rec)) {
    if (!IsLockFileName(Rec.Name) || Rec.Name == Own) continue;
    if (Scan.HolderOf.empty()) Scan.HolderOf = Rec.Name;
    if (Scan.Reader.empty() && !Rec.Name.starts_with("#cvs.wfl."))
      Scan.Reader = Directory + PathDelimiter + Rec.Name;
  }
  if (Result != DirScanNoMoreEntries) Scan.Error = Result;
  return Scan;
}

// " (held by process <pid> on <host>)" for a lock file "#cvs.xfl.<host>.<pid>", or the note that
// its process is gone when that host is this machine; empty when the name says neither.
static std::string HolderNote(std::string_view LockFile) {
  LockFile.remove_prefix(std::string_view("#cvs.wfl.").size());
  const std::size_t Dot = LockFile.rfind('.');
  if (Dot == std::string_view::npos || Dot == 0 || Dot + 1 == LockFile.size()) return "";
  const std::string_view Host = LockFile.substr(0, Dot);
  const std::string_view Pid = LockFile.substr(Dot + 1);
  unsigned long Id = 0;
  for (char Digit : Pid) {
    if (Digit < '0' || Digit > '9' || Id > 429496729) return "";
    Id = Id * 10 + static_cast<unsigned long>(Digit - '0');
  }
  if (Host == HostName() && !ProcessRunning(Id))
    return " (left by process " + std::string(Pid) +
           ", which is no longer running: remove it with rmdir once no CVS command runs)";
  return " (held by process " + std::string(Pid) + " on " + std::string(Host) + ")";
}

// Waits up to Interval, or less when an interrupt asks the run to stop; false then.
static bool WaitUnlessInterrupted(std::chrono::steady_clock::duration Interval) {
  const auto Until = std::chrono::steady_clock::now() + Interval;
  while (!InterruptRequested()) {
    const auto Now = std::chrono::steady_clock::now();
    if (Now >= Until) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(InterruptCheck, Until - Now));
  }
  return false;
}

bool TRepositoryLock::Take(const TRepositoryPlace& Place, TOutput& Output) {
  Release();
  if (!CanLockRepository(Place, Output)) return false;
  const std::string& LockDir = LockDirFor(Place.Root);
  const std::string Directory = LockDirectoryOf(Place, LockDir);
  if (!LockDir.empty())
    if (const int Code = MakeLockDirectories(LockDir, Directory))
      return CannotLock(Place, SystemErrorText(Code), Output);
  static const std::string Own = "#cvs.wfl." + HostName() + "." + std::to_string(ProcessId());
  const std::string Master = Directory + PathDelimiter + "#cvs.lock";
  const auto Start = std::chrono::steady_clock::now();
  bool Waited = false;
  for (;;) {
    std::string Busy;
    TLockScan Scan;
    int Code = TakeMasterLock(Master);
    if (Code == AlreadyExistsError) {
      Busy = Master;
      Scan = ScanLocks(Directory, Own);
    } else if (Code == 0) {
      Scan = ScanLocks(Directory, Own);
      Code = Scan.Error;
      Busy = Scan.Reader;
      if (Code == 0 && Busy.empty()) Code = TakeWriteLock(Directory + PathDelimiter + Own);
      if (Code == 0 && Busy.empty()) return Held = true;
      ReleaseLocks();
    }
    if (Code != 0 && Code != AlreadyExistsError)
      return CannotLock(Place, SystemErrorText(Code), Output);
    const std::string Holder = Scan.HolderOf.empty() ? "" : HolderNote(Scan.HolderOf);
    if (!Waited) {
      Output.EchoLine("Waiting for the repository lock: " + Busy + Holder);
      Output.HandOn();
    }
    Waited = true;
    if (std::chrono::steady_clock::now() - Start >= LockPatience) {
      Output.EchoLine("Directory left unchanged (repository locked): " + Busy + Holder);
      return false;
    }
    if (!WaitUnlessInterrupted(RetryInterval)) return false;
  }
}

void TRepositoryLock::Release() {
  if (!Held) return;
  ReleaseLocks();
  Held = false;
}
