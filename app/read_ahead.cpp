// Helper threads that read ahead of the walk.
#include "app/read_ahead.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/repository.h"
#include "app/walk_rules.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"

namespace {

// Reads wait for the disk, not for a processor: many helpers keep many reads in flight.
constexpr int HelperCount = 16;
// How far the helpers may run ahead, in administrative directories, and how many directories
// may wait to be listed: together they bound the memory the helpers hold.
constexpr std::uint64_t Window = 512;
constexpr std::size_t MaxWaiting = 8192;
// Auto: how often the walk asks whether what it is about to read is cached, and how slow a walk
// must be, where the system cannot say, for the helpers to be worth starting.
constexpr std::uint64_t AskEvery = 16;
constexpr auto SlowPerDirectory = std::chrono::microseconds(400);
constexpr auto Pause = std::chrono::microseconds(200);

enum TMode { rmOff, rmOn, rmAuto };

// A directory waiting to be listed, and its place in the walk's order: the positions, in their
// parents' listings, of the directories on its way down.
struct TWaiting {
  std::vector<std::uint32_t> Order;
  std::string Path;
  bool operator<(const TWaiting& Other) const { return Order < Other.Order; }
};

TMode ModeFromEnvironment() {
  const char* Value = std::getenv("MORVELLAN_READAHEAD");
  const std::string_view Mode = Value != nullptr ? Value : "auto";
  return Mode == "on" ? rmOn : Mode == "off" ? rmOff : rmAuto;
}

}  // namespace

struct TReadAhead::TState {
  TMode Mode = ModeFromEnvironment();
  std::string Start;
  std::vector<std::thread> Helpers;
  std::atomic<bool> Stopping{false};
  std::atomic<std::uint64_t> Reached{0};  ///< administrative directories the walk reached
  std::atomic<std::uint64_t> Fetched{0};  ///< administrative directories the helpers read
  std::chrono::steady_clock::time_point LastAsked = std::chrono::steady_clock::now();

  std::mutex Lock;             ///< guards the two below
  std::set<TWaiting> Waiting;  ///< directories to list, in the walk's order
  int Working = 0;             ///< helpers listing a directory taken from Waiting

  void StartHelpers();
  void Help();
  bool TakeDirectory(TWaiting& Directory);
  std::vector<TWaiting> ListDirectory(const TWaiting& Directory);
  void FetchAdminDirectory(const std::string& AdminDirectory);
  void HandBack(std::vector<TWaiting>& Below);
};

TReadAhead::TReadAhead(const std::string& Start) : State(std::make_unique<TState>()) {
  State->Start = Start.ends_with(PathDelimiter) ? Start : Start + PathDelimiter;
  if (State->Mode == rmOn) State->StartHelpers();
}

TReadAhead::~TReadAhead() {
  State->Stopping = true;
  for (std::thread& Helper : State->Helpers) Helper.join();
}

void TReadAhead::Reaching(const std::string& AdminDirectory) {
  const std::uint64_t Count = State->Reached++;
  if (State->Mode != rmAuto || Count % AskEvery != 0) return;
  const auto Now = std::chrono::steady_clock::now();
  const auto Spent = Now - State->LastAsked;
  State->LastAsked = Now;
  const TCacheState Cached = FileCacheState(AdminDirectory + PathDelimiter + "Entries");
  const bool Slow = Count > 0 && Spent > SlowPerDirectory * AskEvery;
  if (Cached == csNotCached || (Cached == csCannotTell && Slow)) {
    State->Mode = rmOn;
    State->StartHelpers();
  }
}

void TReadAhead::TState::StartHelpers() {
  Waiting.insert({{}, Start});
  try {
    for (int Index = 0; Index < HelperCount; ++Index) Helpers.emplace_back([this] { Help(); });
  } catch (const std::system_error&) {
    // Fewer helpers than hoped for only read less ahead.
  }
}

// Reads whatever a file holds, so that the walk finds it cached.
static void ReadThrough(const std::string& Path, char* Buffer, std::size_t Size) {
  const TFileHandle Handle = RawOpenReadShared(Path);
  if (Handle == InvalidFileHandle) return;
  while (RawRead(Handle, Buffer, Size) > 0) {
  }
  RawClose(Handle);
}

// Lists the directory so that the walk finds it cached; says whether it holds an Attic.
static bool ListThrough(const std::string& Directory) {
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  bool HasAttic = false;
  for (int Result = DirScanFirst(Directory + "*", 63, Rec); Result == 0; Result = DirScanNext(Rec))
    HasAttic = HasAttic || ((Rec.Attr & AttrDirectory) && Rec.Name == "Attic");
  return HasAttic;
}

void TReadAhead::TState::FetchAdminDirectory(const std::string& AdminDirectory) {
  static thread_local std::unique_ptr<char[]> Buffer;
  constexpr std::size_t BufferSize = 65536;
  if (Buffer == nullptr) Buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
  for (const char* Name : {"Entries", "Entries.Extra"})
    ReadThrough(AdminDirectory + PathDelimiter + Name, Buffer.get(), BufferSize);
  try {
    const TRepositoryPlace Place = ReadRepositoryPlace(AdminDirectory);
    if (Place.Local && ListThrough(Place.Directory + PathDelimiter))
      ListThrough(Place.Directory + PathDelimiter + "Attic" + PathDelimiter);
  } catch (...) {
    // The walk meets the same trouble itself and reports it.
  }
}

// The helpers always take the directory the walk will reach first, so that they stay just ahead
// of it, however wide the tree.
bool TReadAhead::TState::TakeDirectory(TWaiting& Directory) {
  for (;;) {
    if (Stopping) return false;
    if (Fetched > Reached + Window) {
      std::this_thread::sleep_for(Pause);
      continue;
    }
    std::unique_lock<std::mutex> Guard(Lock);
    if (!Waiting.empty()) {
      Directory = std::move(Waiting.extract(Waiting.begin()).value());
      ++Working;
      return true;
    }
    if (Working == 0) return false;  // the whole tree is read
    Guard.unlock();
    std::this_thread::sleep_for(Pause);
  }
}

// Lists the directory and reads its administrative directory; gives the directories below it.
std::vector<TWaiting> TReadAhead::TState::ListDirectory(const TWaiting& Directory) {
  std::vector<TWaiting> Below;
  bool HasAdmin = false;
  {
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    std::uint32_t Position = 0;
    for (int Result = DirScanFirst(Directory.Path + "*", WalkAttrSet, Rec); Result == 0;
         Result = DirScanNext(Rec), ++Position) {
      const TWalkStep Step = WalkStepFor(Rec);
      HasAdmin = HasAdmin || Step == wsAdmin;
      if (Step != wsDescend) continue;
      Below.push_back({Directory.Order, Directory.Path + Rec.Name + PathDelimiter});
      Below.back().Order.push_back(Position);
    }
  }
  if (HasAdmin) {
    FetchAdminDirectory(Directory.Path + "CVS");
    ++Fetched;
  }
  return Below;
}

void TReadAhead::TState::HandBack(std::vector<TWaiting>& Below) {
  std::lock_guard<std::mutex> Guard(Lock);
  try {
    for (TWaiting& Next : Below) Waiting.insert(std::move(Next));
    // The directories the walk reaches last are given up first; the walk lists them itself.
    while (Waiting.size() > MaxWaiting) Waiting.erase(std::prev(Waiting.end()));
  } catch (...) {
    // Out of memory: what is not handed back is read by the walk itself.
  }
  --Working;
}

void TReadAhead::TState::Help() {
  TWaiting Directory;
  while (TakeDirectory(Directory)) {
    std::vector<TWaiting> Below;
    try {
      Below = ListDirectory(Directory);
    } catch (...) {
      // Out of memory: the walk reads this part of the tree itself.
    }
    HandBack(Below);
  }
}
