// The record of what a run holds on disk, and its emergency release.
#include "app/held_files.h"

#include <atomic>

#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace {

// A held path: the text is written only while it is off the record, so that the handler reads a
// buffer that stays as it is for as long as the process lives.
struct THeldPath {
  std::string Path;
  std::atomic<const char*> Published{nullptr};
};

}  // namespace

static THeldPath MasterLock;
static THeldPath WriteLock;
static THeldPath Companion;  // its name within CompanionDirectory
static std::atomic<const TDirectory*> CompanionDirectory{nullptr};
// A child never removes its parent's lock.
static std::atomic<unsigned long> Holder{0};

static void ReleaseInEmergency() {
  if (Holder.load() != ProcessId()) return;
  if (const char* Name = Companion.Published.exchange(nullptr))
    RemoveFileNowAt(*CompanionDirectory.load(), Name);
  if (const char* File = WriteLock.Published.exchange(nullptr)) RemoveFileNow(File);
  if (const char* Directory = MasterLock.Published.exchange(nullptr)) RemoveDirectoryNow(Directory);
}

void WatchInterruptsForTheRun() {
  Holder = ProcessId();
  WatchInterrupts(ReleaseInEmergency);
}

// Makes something with Make and notes it, together.
template <typename TMake>
static int Hold(THeldPath& Held, const std::string& Path, TMake&& Make) {
  Held.Path = Path;
  TInterruptsDeferred Deferred;
  const int Code = Make();
  if (Code == 0) Held.Published = Held.Path.c_str();
  return Code;
}

int TakeMasterLock(const std::string& Path) {
  return Hold(MasterLock, Path, [&] { return MakeDirectory(Path); });
}

int TakeWriteLock(const std::string& Path) {
  return Hold(WriteLock, Path, [&] {
    const TFileHandle Handle = RawCreate(Path);
    if (Handle != InvalidFileHandle && RawClose(Handle)) return 0;
    const int Code = LastSystemError();
    return Code != 0 ? Code : -1;
  });
}

// Takes the path off the record, then removes it with Remove.
static void LetGo(THeldPath& Held, bool (*Remove)(const char*)) {
  if (Held.Published.load() == nullptr) return;
  TInterruptsDeferred Deferred;
  if (const char* Path = Held.Published.exchange(nullptr)) Remove(Path);
}

void ReleaseLocks() {
  LetGo(WriteLock, RemoveFileNow);
  LetGo(MasterLock, RemoveDirectoryNow);
}

TFileHandle CreateCompanion(const TDirectory& Dir, const std::string& Name) {
  Companion.Path = Name;
  CompanionDirectory = &Dir;
  TInterruptsDeferred Deferred;
  const TFileHandle Handle = RawCreateExclusiveAt(Dir, Name);
  if (Handle != InvalidFileHandle) Companion.Published = Companion.Path.c_str();
  return Handle;
}

void DiscardCompanion() {
  if (Companion.Published.load() == nullptr) return;
  TInterruptsDeferred Deferred;
  if (const char* Name = Companion.Published.exchange(nullptr))
    RemoveFileAt(*CompanionDirectory.load(), Name);
}

bool ReplaceByCompanion(const std::string& Target) {
  TInterruptsDeferred Deferred;
  const char* Name = Companion.Published.exchange(nullptr);
  if (Name == nullptr) return false;
  if (ReplaceFileAt(*CompanionDirectory.load(), Name, Target)) return true;
  Companion.Published = Name;
  return false;
}
