// CVS's write lock on a repository directory.
#include "app/cvs_lock.h"

#include <atomic>
#include <chrono>
#include <map>
#include <string_view>
#include <thread>

#include "app/output.h"
#include "app/repository.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/text.h"

static constexpr auto LockPatience = std::chrono::seconds(30);
static constexpr auto RetryInterval = std::chrono::seconds(1);

// What an interrupt must remove. Each lock is made and noted, or forgotten and removed, while
// interrupts wait, so that the handler finds every lock of this process and no other's. The
// process id keeps a child from removing its parent's lock.
static std::atomic<const char*> HeldWriteLock{nullptr};
static std::atomic<const char*> HeldMasterLock{nullptr};
static std::atomic<unsigned long> HolderProcess{0};

static void ReleaseOnInterrupt() {
  if (HolderProcess.load() != ProcessId()) return;
  if (const char* File = HeldWriteLock.exchange(nullptr)) RemoveFileNow(File);
  if (const char* Directory = HeldMasterLock.exchange(nullptr)) RemoveDirectoryNow(Directory);
}

static void ReleaseOnEveryInterrupt() {
  if (HolderProcess.load() != 0) return;
  HolderProcess = ProcessId();
  OnInterrupt(ReleaseOnInterrupt);
}

namespace {

// Interrupts wait while it lives.
class TInterruptsDeferred {
 public:
  TInterruptsDeferred() { DeferInterrupts(); }
  ~TInterruptsDeferred() { AllowInterrupts(); }
  TInterruptsDeferred(const TInterruptsDeferred&) = delete;
  TInterruptsDeferred& operator=(const TInterruptsDeferred&) = delete;
};

}  // namespace

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

// The first reader's lock file ("#cvs.rfl..." or "#cvs.pfl...") in Directory; 0, or the error
// that keeps the directory from being listed.
static int FindReaderLock(const std::string& Directory, std::string& Reader) {
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Directory + PathDelimiter + "*", 63, Rec);
  for (; Result == 0; Result = DirScanNext(Rec)) {
    if (Rec.Name.starts_with("#cvs.rfl") || Rec.Name.starts_with("#cvs.pfl")) {
      Reader = Directory + PathDelimiter + Rec.Name;
      return 0;
    }
  }
  return Result == DirScanNoMoreEntries ? 0 : Result;
}

static int CreateEmptyFile(const std::string& Path) {
  const TFileHandle Handle = RawCreate(Path);
  if (Handle != InvalidFileHandle && RawClose(Handle)) return 0;
  const int Code = LastSystemError();
  return Code != 0 ? Code : -1;
}

static bool CannotLock(const TRepositoryPlace& Place, int Code) {
  EchoLeftUnchanged("Directory left unchanged (cannot lock the repository (" +
                    SystemErrorText(Code) + ")): " + Place.Directory);
  return false;
}

// The directory where the lock files go: the repository directory, or its place under LockDir.
static std::string LockDirectoryOf(const TRepositoryPlace& Place, const std::string& LockDir) {
  if (LockDir.empty() || Place.BelowRoot.empty()) return Place.Directory;
  return Place.BelowRoot == "." ? LockDir : LockDir + PathDelimiter + Place.BelowRoot;
}

bool TRepositoryLock::Take(const TRepositoryPlace& Place, bool Live) {
  Release();
  if (const int Code = DirectoryAccess(Place.Directory, false)) return CannotLock(Place, Code);
  const std::string& LockDir = LockDirFor(Place.Root);
  const std::string Directory = LockDirectoryOf(Place, LockDir);
  const bool UnderLockDir = Directory != Place.Directory;
  if (!Live) {
    const int Code = ForeseenLockError(Directory, UnderLockDir ? LockDir : Directory);
    return Code == 0 || CannotLock(Place, Code);
  }
  if (UnderLockDir)
    if (const int Code = MakeLockDirectories(LockDir, Directory)) return CannotLock(Place, Code);
  ReleaseOnEveryInterrupt();
  MasterLock = Directory + PathDelimiter + "#cvs.lock";
  static const std::string Owner = HostName() + "." + std::to_string(ProcessId());
  WriteLock = Directory + PathDelimiter + "#cvs.wfl." + Owner;
  const auto Start = std::chrono::steady_clock::now();
  bool Waited = false;
  for (;;) {
    std::string Busy;
    if (const int Code = TryOnce(Directory, Busy)) return CannotLock(Place, Code);
    if (Busy.empty()) return true;
    if (!Waited) EchoLineNow("Waiting for the repository lock: " + Busy);
    Waited = true;
    if (std::chrono::steady_clock::now() - Start >= LockPatience) {
      EchoLeftUnchanged("Directory left unchanged (repository locked): " + Busy);
      return false;
    }
    std::this_thread::sleep_for(RetryInterval);
  }
}

int TRepositoryLock::TryOnce(const std::string& Directory, std::string& Busy) {
  int Code = 0;
  {
    TInterruptsDeferred Deferred;
    Code = MakeDirectory(MasterLock);
    if (Code == 0) HeldMasterLock = MasterLock.c_str();
  }
  if (Code == AlreadyExistsError) {
    Busy = MasterLock;
    return 0;
  }
  if (Code != 0) return Code;
  Code = FindReaderLock(Directory, Busy);
  if (Code == 0 && Busy.empty()) {
    TInterruptsDeferred Deferred;
    Code = CreateEmptyFile(WriteLock);
    if (Code == 0) HeldWriteLock = WriteLock.c_str();
  }
  if (Code == 0 && Busy.empty()) return 0;
  Release();
  return Code;
}

void TRepositoryLock::Release() {
  if (HeldWriteLock.load() != WriteLock.c_str() && HeldMasterLock.load() != MasterLock.c_str())
    return;
  TInterruptsDeferred Deferred;
  if (HeldWriteLock.load() == WriteLock.c_str()) {
    RemoveFileNow(WriteLock.c_str());
    HeldWriteLock = nullptr;
  }
  if (HeldMasterLock.load() == MasterLock.c_str()) {
    RemoveDirectoryNow(MasterLock.c_str());
    HeldMasterLock = nullptr;
  }
}
