// Helper threads that work ahead of the walk.
#include "app/read_ahead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <mutex>
#include <new>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/repository.h"
#include "app/walk_rules.h"
#include "platform/dir_scan.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/raw_file.h"

namespace {

// Looks take a processor each; reads wait for the disk, not for a processor, so many readers keep
// many reads in flight.
constexpr unsigned MaxLookMakers = 16;
constexpr int ReaderCount = 16;
// How many walk events may wait for their looks: each holds an administrative directory open. Where
// the data is not cached, more looks in flight keep the disk busier.
constexpr std::size_t LookWindow = 64;
constexpr std::size_t ColdLookWindow = 256;
// A look maker is woken for this many jobs at once: one wake-up serves several looks.
constexpr std::size_t Batch = 8;
// Below this many open files (descriptors), the helpers are not started: the walk, its waiting
// events and the helpers together hold a few hundred at most.
constexpr std::size_t MinOpenFileLimit = 1024;
// How far the readers may run ahead of the walk, in directories, and how many directories may
// wait to be listed: together they bound the memory the readers hold.
constexpr std::uint64_t ReadWindow = 4096;
constexpr std::size_t MaxWaiting = 8192;
// Auto: how often the walk asks whether what it is about to read is cached, how many answers in a
// row tell a tree that is not, and how slow a walk must be, where the system cannot say, for more
// helpers to be worth starting.
constexpr std::uint64_t AskEvery = 16;
constexpr int ColdAnswers = 3;
constexpr auto SlowPerDirectory = std::chrono::microseconds(400);
constexpr std::uint64_t EnteringStep = 64;

enum TMode { rmOff, rmOn, rmAuto };

// A reader lists a repository directory only to fill the cache.
bool Ignore(const TRevisionItem&, const TDirectory&, const std::string&, std::uint32_t) {
  return true;
}

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
  TState(const TRemovalTest& Test, const std::string& Start) : Test(Test), Start(Start) {}

  const TRemovalTest& Test;
  TMode Mode = ModeFromEnvironment();
  std::string Start;
  std::atomic<bool> Stopping{false};
  std::atomic<unsigned> LookMakers{0};
  std::atomic<std::uint64_t> Entered{0};  ///< directories the walk entered

  std::mutex Lock;                   ///< guards everything below
  std::condition_variable Changed;   ///< jobs for the look makers, or stopping
  std::condition_variable Made;      ///< a look made
  std::condition_variable Readable;  ///< directories for the readers, or the walk came nearer
  std::atomic<unsigned> ReadersWaiting{0};
  std::vector<std::thread> Helpers;
  std::deque<TAdminJob*> Queue;  ///< jobs waiting for a look maker, oldest first
  unsigned Idle = 0;             ///< look makers waiting for jobs
  bool Reading = false;          ///< the readers have started
  std::set<TWaiting> Waiting;    ///< directories to list, in the walk's order
  int Listing = 0;               ///< readers listing a directory taken from Waiting
  std::uint64_t Listed = 0;      ///< directories the readers listed
  std::uint64_t Submitted = 0;
  std::chrono::steady_clock::time_point LastAsked = std::chrono::steady_clock::now();
  bool CacheCanTell = true;  ///< whether the system says if a file is cached
  int NotCachedInARow = 0;

  void StartLookMakers(unsigned Count);
  void StartReaders();
  bool StartThread(void (TState::*Body)());
  void MakeLooks();
  void MakeNextLook(std::unique_lock<std::mutex>& Guard);
  void Read();
  bool TakeDirectory(TWaiting& Directory);
  std::vector<TWaiting> ListDirectory(const TWaiting& Directory);
  void ReadRepositoryAhead(const TDirectory& Admin, const TWaiting& Directory);
  void HandBack(std::vector<TWaiting>& Below);
  void AskWhetherCached(const std::string& AdminDirectory);
  void StopAll();
};

TReadAhead::TReadAhead(const TRemovalTest& Test, const std::string& Start)
    : State(std::make_unique<TState>(Test, Start)) {
  State->Start = Start.ends_with(PathDelimiter) ? Start : Start + PathDelimiter;
  // Helpers hold files and directories open too, and the walk must never run short of them.
  if (State->Mode == rmOff || OpenFileLimit() < MinOpenFileLimit) return;
  const unsigned Processors = std::thread::hardware_concurrency();
  if (State->Mode == rmOn) {
    State->StartLookMakers(MaxLookMakers);
    State->StartReaders();
  } else if (Processors > 1) {
    State->StartLookMakers(Processors - 1);
  }
}

TReadAhead::~TReadAhead() { Stop(); }

void TReadAhead::Stop() { State->StopAll(); }

void TReadAhead::TState::StopAll() {
  std::vector<std::thread> Stopped;
  {
    std::lock_guard<std::mutex> Guard(Lock);
    Stopping = true;
    Stopped.swap(Helpers);
    // The jobs no helper has begun are made by the walk itself.
    for (TAdminJob* Job : Queue) Job->AheadState = TAdminJob::asNone;
    Queue.clear();
  }
  Changed.notify_all();
  Readable.notify_all();
  for (std::thread& Helper : Stopped) Helper.join();
}

std::size_t TReadAhead::Window() const {
  if (State->LookMakers == 0 || State->Stopping) return 1;
  return State->Reading ? ColdLookWindow : LookWindow;
}

// Starts one helper; false when the system has no thread to give.
bool TReadAhead::TState::StartThread(void (TState::*Body)()) {
  try {
    // A thread started while interrupts wait never receives one.
    TInterruptsDeferred Deferred;
    Helpers.emplace_back([this, Body] { (this->*Body)(); });
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void TReadAhead::TState::StartLookMakers(unsigned Count) {
  std::lock_guard<std::mutex> Guard(Lock);
  while (!Stopping && LookMakers < Count && StartThread(&TState::MakeLooks)) ++LookMakers;
}

void TReadAhead::Submit(TAdminJob& Job) {
  if (State->Mode == rmAuto && State->Submitted++ % AskEvery == 0)
    State->AskWhetherCached(Job.Path);
  bool Wake = false;
  {
    std::lock_guard<std::mutex> Guard(State->Lock);
    if (State->LookMakers == 0 || State->Stopping) return;
    Job.AheadState = TAdminJob::asQueued;
    State->Queue.push_back(&Job);
    Wake = State->Idle > 0 && State->Queue.size() % Batch == 0;
  }
  if (Wake) State->Changed.notify_one();
}

TDirectoryLook TReadAhead::LookOf(TAdminJob& Job) {
  {
    std::unique_lock<std::mutex> Guard(State->Lock);
    if (Job.AheadState == TAdminJob::asQueued) {
      State->Queue.erase(std::find(State->Queue.begin(), State->Queue.end(), &Job));
      Job.AheadState = TAdminJob::asNone;
    }
    State->Made.wait(Guard, [&] { return Job.AheadState != TAdminJob::asMaking; });
  }
  if (Job.AheadState == TAdminJob::asMade) {
    Job.AheadState = TAdminJob::asNone;
    // A helper that met a shortage has stopped helping; the walk makes this look again itself.
    if (!Job.MadeAhead.Shortage) return std::move(Job.MadeAhead);
    Stop();
  }
  return MakeLook(Job, State->Test);
}

// Where the data is cached, the look makers take the newest jobs and the walk the oldest (it makes
// itself those that no helper has begun): so the two meet rarely, and the walk seldom waits for a
// look. Where it is not, they take the oldest, so that the walk waits for the disk less.
void TReadAhead::TState::MakeLooks() {
  std::unique_lock<std::mutex> Guard(Lock);
  for (;;) {
    ++Idle;
    Changed.wait(Guard, [&] { return Stopping || Queue.size() >= Batch; });
    --Idle;
    while (!Stopping && !Queue.empty()) MakeNextLook(Guard);
    if (Stopping) return;
  }
}

void TReadAhead::TState::MakeNextLook(std::unique_lock<std::mutex>& Guard) {
  TAdminJob* Job;
  if (Reading) {
    Job = Queue.front();
    Queue.pop_front();
  } else {
    Job = Queue.back();
    Queue.pop_back();
  }
  Job->AheadState = TAdminJob::asMaking;
  Guard.unlock();
  TDirectoryLook Look = MakeLook(*Job, Test);
  Guard.lock();
  Job->MadeAhead = std::move(Look);
  Job->AheadState = TAdminJob::asMade;
  if (Job->MadeAhead.Shortage) Stopping = true;
  Made.notify_all();
}

// Auto: the look makers all start once the walk meets an Entries file that is not cached, or,
// where the system cannot say, once the walk is slow; the readers list everything once more, which
// helps only where it fills a cache that the walk then reads from, so they start only where the
// system says that the files are not cached yet. A system that cannot say is not asked again.
void TReadAhead::TState::AskWhetherCached(const std::string& AdminDirectory) {
  const auto Now = std::chrono::steady_clock::now();
  const auto Spent = Now - LastAsked;
  LastAsked = Now;
  const TCacheState Cached =
      CacheCanTell ? FileCacheState(AdminDirectory + PathDelimiter + "Entries") : csCannotTell;
  CacheCanTell = Cached != csCannotTell;
  // A file now and then reads as not cached in a warm tree too (a page marked for read-ahead):
  // only several in a row tell a cold one.
  NotCachedInARow = Cached == csNotCached ? NotCachedInARow + 1 : 0;
  const bool Cold = NotCachedInARow >= ColdAnswers;
  const bool Slow = Submitted > 1 && Spent > SlowPerDirectory * AskEvery;
  if (Cold || (Cached == csCannotTell && Slow)) StartLookMakers(MaxLookMakers);
  if (Cold) StartReaders();
}

void TReadAhead::TState::StartReaders() {
  std::lock_guard<std::mutex> Guard(Lock);
  if (Reading || Stopping) return;
  Reading = true;
  Waiting.insert({{}, Start});
  for (int Index = 0; Index < ReaderCount && StartThread(&TState::Read); ++Index) {
  }
}

// The readers that ran a whole window ahead go on once the walk has come nearer; they are told
// so only now and then, so that the walk seldom makes a system call for it.
void TReadAhead::Entering() {
  if (++State->Entered % EnteringStep == 0 && State->ReadersWaiting.load() > 0)
    State->Readable.notify_all();
}

// The readers always take the directory the walk will reach first, so that they stay just ahead
// of it, however wide the tree.
bool TReadAhead::TState::TakeDirectory(TWaiting& Directory) {
  std::unique_lock<std::mutex> Guard(Lock);
  for (;;) {
    if (Stopping) return false;
    if (Listed <= Entered + ReadWindow && !Waiting.empty()) {
      Directory = std::move(Waiting.extract(Waiting.begin()).value());
      ++Listing;
      return true;
    }
    if (Waiting.empty() && Listing == 0) return false;  // the whole tree is read
    ++ReadersWaiting;
    Readable.wait(Guard);
    --ReadersWaiting;
  }
}

// Lists the directory, so that the walk finds it cached, and for its administrative directory
// reads Root and Repository and lists the local repository directory, so that the look makers do;
// gives the directories below it. The entries files are read by the look makers alone: Windows
// refuses to replace a file that a reader holds open.
std::vector<TWaiting> TReadAhead::TState::ListDirectory(const TWaiting& Directory) {
  std::vector<TWaiting> Below;
  TDirectory Dir;
  if (OpenDirectory(Directory.Path, Dir) != 0) return Below;
  bool HasAdmin = false;
  {
    TSearchRec Rec;
    TDirScanGuard Guard(Rec);
    std::uint32_t Position = 0;
    for (int Result = DirScanFirst(Dir, WalkAttrSet, Rec); Result == 0;
         Result = DirScanNext(Rec), ++Position) {
      const TWalkStep Step = WalkStepFor(Rec);
      HasAdmin = HasAdmin || Step == wsAdmin;
      if (Step != wsDescend) continue;
      Below.push_back({Directory.Order, Directory.Path + Rec.Name + PathDelimiter});
      Below.back().Order.push_back(Position);
    }
  }
  TDirectory Admin;
  if (HasAdmin && OpenSubdirectory(Dir, "CVS", Admin) == 0) ReadRepositoryAhead(Admin, Directory);
  return Below;
}

void TReadAhead::TState::ReadRepositoryAhead(const TDirectory& Admin, const TWaiting& Directory) {
  try {
    const TRepositoryPlace Place = ReadRepositoryPlace(Admin, Directory.Path + "CVS");
    if (Place.Local && Place.Check == pcInside) ListRevisionFiles(Place.Directory, Test, Ignore);
  } catch (const Exception&) {
    // The walk meets the same trouble itself and reports it.
  }
}

void TReadAhead::TState::HandBack(std::vector<TWaiting>& Below) {
  std::lock_guard<std::mutex> Guard(Lock);
  try {
    for (TWaiting& Next : Below) Waiting.insert(std::move(Next));
    // The directories the walk reaches last are given up first; the walk lists them itself.
    while (Waiting.size() > MaxWaiting) Waiting.erase(std::prev(Waiting.end()));
  } catch (const std::bad_alloc&) {
    // What is not handed back is read by the walk itself.
  }
  --Listing;
  ++Listed;
  if (ReadersWaiting.load() > 0) Readable.notify_all();
}

void TReadAhead::TState::Read() {
  TWaiting Directory;
  while (TakeDirectory(Directory)) {
    std::vector<TWaiting> Below;
    try {
      Below = ListDirectory(Directory);
    } catch (const std::bad_alloc&) {
      // Out of memory: the walk reads this part of the tree itself.
    }
    HandBack(Below);
  }
}
