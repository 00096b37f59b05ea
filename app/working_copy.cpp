// The working-copy walk on directory handles, and the cleanup of what it finds.
#include "app/working_copy.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "app/admin_directory.h"
#include "app/cleanup_run.h"
#include "app/read_ahead.h"
#include "app/walk_rules.h"
#include "ignore/ignore_list.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"
#include "platform/text.h"

namespace {

// One directory of the descent: its listing, read whole before anything in it is entered, and
// its handle while the walk holds one for it.
struct TFrame {
  std::string Path;  ///< with its trailing separator
  std::string Name;  ///< its name in its parent
  TDirectory Handle;
  TFileIdentity Identity;
  bool Identified = false;
  std::vector<std::pair<TWalkStep, std::string>> Entries;  ///< in listing order
  std::size_t Next = 0;
  bool HasIgnoreFile = false;  ///< the folder holds a .cvsignore of its own
  int ListError = 0;           ///< a listing cut short, said once the frame is done
};

// What the walk comes to next, in its order.
struct TWalkEvent {
  enum TKind {
    weLine,       ///< a line to write
    weShortfall,  ///< a line that says something was left undone
    weAdmin,      ///< an administrative directory to clean
  };
  TKind Kind = weLine;
  std::string Line;
  std::unique_ptr<TAdminJob> Job;
};

enum TNext {
  nxEvent,     ///< an event is there
  nxEnd,       ///< the walk is over
  nxShortage,  ///< the system ran short of handles: the step is taken again once some are free
};

}  // namespace

static bool IsIgnoreFileName(const std::string& Name) {
  return NamesIgnoreCase ? LowerAscii(Name) == ".cvsignore" : Name == ".cvsignore";
}

// The walk as a series of events, in its order: a line to write, or an administrative directory
// to clean. It holds one frame per level and at most MaxHeld directory handles; a level without
// one is reopened from the nearest level that has one, name by name, never following a link.
class TWalker {
 public:
  TWalker(TCleanupRun& Run, std::string Start, TReadAhead& ReadAhead)
      : Run(Run), Start(std::move(Start)), ReadAhead(ReadAhead) {}

  /// The next event. With MayDefer, a step that the system cannot take for
  /// want of handles, even after the walk let go of its own, is put off.
  TNext Next(TWalkEvent& Event, bool MayDefer);

 private:
  bool Begin(TWalkEvent& Event);
  bool Step(std::size_t Level, TWalkEvent& Event);
  bool Descend(std::size_t Level, const std::string& Name, TWalkEvent& Event);
  bool MakeJob(std::size_t Level, TWalkEvent& Event);
  int List(TFrame& Frame);
  int OpenBelow(std::size_t Level, const std::string& Name, TDirectory& Dir);
  int EnsureOpen(std::size_t Level);
  void NoteHandle(std::size_t Keep);
  void LetGoOfHandles(std::size_t Keep);
  bool IsBeingWalked(const TFileIdentity& Identity) const;
  void ReadFolderIgnore(TFrame& Frame, TAdminJob& Job);

  static bool Say(TWalkEvent& Event, TWalkEvent::TKind Kind, std::string Line) {
    Event.Kind = Kind;
    Event.Line = std::move(Line);
    Event.Job.reset();
    return true;
  }

  TCleanupRun& Run;
  std::string Start;
  TReadAhead& ReadAhead;
  std::vector<TFrame> Stack;
  bool Begun = false;
  std::size_t Held = 0;  ///< open handles among the frames
  /// At most 64, lowered where the system allows few open files, and when it runs short of them.
  std::size_t MaxHeld = std::clamp<std::size_t>(OpenFileLimit() / 8, 2, 64);
  bool MayDefer = false;
  bool Deferred = false;  ///< the last step was put off for want of handles
};

TNext TWalker::Next(TWalkEvent& Event, bool MayDefer) {
  this->MayDefer = MayDefer;
  Deferred = false;
  if (!Begun) {
    Begun = true;
    if (Begin(Event)) return nxEvent;
  }
  while (!Stack.empty()) {
    if (Step(Stack.size() - 1, Event)) return nxEvent;
    if (Deferred) return nxShortage;
  }
  return nxEnd;
}

bool TWalker::Begin(TWalkEvent& Event) {
  TFrame Root;
  Root.Path = Start.ends_with(PathDelimiter) ? Start : Start + PathDelimiter;
  int Code = OpenDirectory(Start, Root.Handle);
  if (Code == 0) Code = List(Root);
  if (Code != 0)
    return Say(Event, TWalkEvent::weShortfall,
               "Cannot list directory (" + SystemErrorText(Code) + "): " + Root.Path);
  Root.Identified = DirectoryIdentity(Root.Handle, Root.Identity);
  Stack.push_back(std::move(Root));
  Held = 1;
  return false;
}

bool TWalker::Step(std::size_t Level, TWalkEvent& Event) {
  TFrame& Frame = Stack[Level];
  if (Frame.Next == Frame.Entries.size()) {
    const int Error = Frame.ListError;
    const std::string Path = std::move(Frame.Path);
    Held -= Frame.Handle.IsOpen();
    Stack.pop_back();
    return Error != 0 && Say(Event, TWalkEvent::weShortfall,
                             "Cannot list directory (" + SystemErrorText(Error) + "): " + Path);
  }
  const auto& [Kind, Name] = Frame.Entries[Frame.Next++];
  switch (Kind) {
    case wsLink:
      return Say(Event, TWalkEvent::weLine, "Not entered (link): " + Frame.Path + Name);
    case wsLeftAlone:
      return Say(Event, TWalkEvent::weLine,
                 "Left alone (name not in the ANSI code page): " + Frame.Path + Name);
    case wsAdmin:
      return MakeJob(Level, Event);
    case wsDescend:
      return Descend(Level, Name, Event);
    case wsPass:
      break;
  }
  return false;
}

// Reads the directory's listing into the frame: its subdirectories in order, and whether it
// holds a .cvsignore; 0, or the code that kept it from being listed at all.
int TWalker::List(TFrame& Frame) {
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Frame.Handle, WalkAttrSet, Rec);
  if (Result != 0) return Result == DirScanNoMoreEntries ? 0 : Result;
  do {
    const TWalkStep Kind = WalkStepFor(Rec);
    if (Kind != wsPass)
      Frame.Entries.emplace_back(Kind, Rec.Name);
    else if (!(Rec.Attr & AttrDirectory) && IsIgnoreFileName(Rec.Name))
      Frame.HasIgnoreFile = true;
  } while ((Result = DirScanNext(Rec)) == 0);
  if (Result != DirScanNoMoreEntries) Frame.ListError = Result;
  return 0;
}

bool TWalker::IsBeingWalked(const TFileIdentity& Identity) const {
  return std::any_of(Stack.begin(), Stack.end(), [&](const TFrame& Frame) {
    return Frame.Identified && Frame.Identity == Identity;
  });
}

bool TWalker::Descend(std::size_t Level, const std::string& Name, TWalkEvent& Event) {
  TFrame Child;
  Child.Name = Name;
  Child.Path = Stack[Level].Path + Name + PathDelimiter;
  int Code = OpenBelow(Level, Name, Child.Handle);
  if (Deferred) return false;
  if (Code == LinkError)
    return Say(Event, TWalkEvent::weLine, "Not entered (link): " + Stack[Level].Path + Name);
  // Gone since the listing: there is nothing left to walk.
  if (IsNotFoundError(Code)) return false;
  if (Code == 0) {
    Child.Identified = DirectoryIdentity(Child.Handle, Child.Identity);
    // A bind mount back up the tree would be walked for ever.
    if (Child.Identified && IsBeingWalked(Child.Identity)) return false;
    Code = List(Child);
  }
  if (Code != 0)
    return Say(Event, TWalkEvent::weShortfall,
               "Cannot list directory (" + SystemErrorText(Code) + "): " + Child.Path);
  ReadAhead.Entering();
  Stack.push_back(std::move(Child));
  NoteHandle(Stack.size() - 1);
  return false;
}

// Opens the subdirectory Name of the level; where the system runs short of handles, the helpers
// and the levels above let go of theirs and it is tried once more. When even that fails and the
// step may be put off, the entry is left to be taken again (Deferred).
int TWalker::OpenBelow(std::size_t Level, const std::string& Name, TDirectory& Dir) {
  int Code = EnsureOpen(Level);
  if (Code == 0) Code = OpenSubdirectory(Stack[Level].Handle, Name, Dir);
  if (!IsShortageError(Code)) return Code;
  ReadAhead.Stop();
  MaxHeld = std::max<std::size_t>(2, Held / 2);
  LetGoOfHandles(Level);
  Code = EnsureOpen(Level);
  if (Code == 0) Code = OpenSubdirectory(Stack[Level].Handle, Name, Dir);
  if (IsShortageError(Code) && MayDefer) {
    --Stack[Level].Next;
    Deferred = true;
  }
  return Code;
}

// Opens the level's directory again from the nearest level above that is held, name by name and
// without following links; it must still be the directory that was listed.
int TWalker::EnsureOpen(std::size_t Level) {
  if (Stack[Level].Handle.IsOpen()) return 0;
  std::size_t Nearest = Level;
  while (Nearest > 0 && !Stack[Nearest].Handle.IsOpen()) --Nearest;
  if (!Stack[Nearest].Handle.IsOpen())
    if (const int Code = OpenDirectory(Start, Stack[Nearest].Handle)) return Code;
  for (std::size_t Below = Nearest + 1; Below <= Level; ++Below) {
    TFrame& Frame = Stack[Below];
    if (const int Code = OpenSubdirectory(Stack[Below - 1].Handle, Frame.Name, Frame.Handle))
      return Code;
    TFileIdentity Now;
    if (Frame.Identified && !(DirectoryIdentity(Frame.Handle, Now) && Now == Frame.Identity)) {
      Frame.Handle.Close();
      return LinkError;
    }
  }
  Held = 0;
  for (const TFrame& Frame : Stack) Held += Frame.Handle.IsOpen();
  LetGoOfHandles(Level);
  return 0;
}

void TWalker::NoteHandle(std::size_t Keep) {
  ++Held;
  LetGoOfHandles(Keep);
}

// Closes the handles of the levels nearest the top, the start's and Keep's excepted, until at
// most MaxHeld are held.
void TWalker::LetGoOfHandles(std::size_t Keep) {
  for (std::size_t Level = 1; Held > MaxHeld && Level < Stack.size(); ++Level) {
    if (Level == Keep || !Stack[Level].Handle.IsOpen()) continue;
    Stack[Level].Handle.Close();
    --Held;
  }
}

void TWalker::ReadFolderIgnore(TFrame& Frame, TAdminJob& Job) {
  Job.FolderIgnorePath = Frame.Path + ".cvsignore";
  std::string Bytes;
  int Code = EnsureOpen(Stack.size() - 1);
  if (Code == 0) Code = ReadWholeFileAt(Frame.Handle, ".cvsignore", Bytes);
  if (IsNotFoundError(Code)) return;
  Job.FolderIgnoreError = Code;
  Job.FolderIgnore = Code != 0 ? fiUnreadable : HoldsListReset(Bytes) ? fiReset : fiNone;
}

bool TWalker::MakeJob(std::size_t Level, TWalkEvent& Event) {
  auto Job = std::make_unique<TAdminJob>();
  TFrame& Frame = Stack[Level];
  Job->Path = Frame.Path + "CVS";
  Job->MadeAt = Run.Changes;
  const int Code = OpenBelow(Level, "CVS", Job->Admin);
  if (Deferred) return false;
  if (Code == LinkError) return Say(Event, TWalkEvent::weLine, "Not entered (link): " + Job->Path);
  Job->OpenError = Code;
  if (Frame.HasIgnoreFile && Run.PatternsInUse) ReadFolderIgnore(Stack[Level], *Job);
  Event.Kind = TWalkEvent::weAdmin;
  Event.Job = std::move(Job);
  return true;
}

// Writes the event's lines and makes its changes. A look made before a change in the same
// repository directory is made again.
static void Clean(TCleanupRun& Run, TReadAhead& ReadAhead, TWalkEvent& Event) {
  if (Event.Kind != TWalkEvent::weAdmin) {
    Run.Output.EchoLine(Event.Line);
    Run.Tally.Shortfalls += Event.Kind == TWalkEvent::weShortfall;
    return;
  }
  TDirectoryLook Look = ReadAhead.LookOf(*Event.Job);
  const auto Changed = Run.RepositoryChangedAt.find(Look.Place.Directory);
  if (Look.Place.Local && Changed != Run.RepositoryChangedAt.end() &&
      Changed->second > Event.Job->MadeAt)
    Look = MakeLook(*Event.Job, Run.Test);
  ProcessAdminDirectory(Run, *Event.Job, Look);
}

void WalkWorkingCopy(TCleanupRun& Run) {
  const std::string& Start = Run.Settings.StartDirectory;
  // The walk runs ahead of the cleanup by up to the read-ahead's window, so that the helpers can
  // make the looks of the directories it has found meanwhile. Declared first, the events outlive
  // the helpers, however the walk ends.
  std::deque<TWalkEvent> Waiting;
  TReadAhead ReadAhead(Run.Test, Start);
  TWalker Walker(Run, Start, ReadAhead);
  bool Walked = false;
  while (!Run.Stopping()) {
    while (!Walked && Waiting.size() < ReadAhead.Window()) {
      TWalkEvent Event;
      const TNext Next = Walker.Next(Event, !Waiting.empty());
      if (Next == nxShortage) break;  // the events waiting let go of their handles first
      Walked = Next == nxEnd;
      if (Walked) break;
      if (Event.Kind == TWalkEvent::weAdmin) ReadAhead.Submit(*Event.Job);
      Waiting.push_back(std::move(Event));
    }
    if (Waiting.empty()) break;
    TWalkEvent Event = std::move(Waiting.front());
    Waiting.pop_front();
    Clean(Run, ReadAhead, Event);
  }
  if (!Run.Stopping() && Run.Tally.AdministrativeDirectories == 0)
    Run.Output.EchoLine("No CVS working copy found under: " + Start);
}

void CleanTargetDirectory(TCleanupRun& Run) {
  TAdminJob Job;
  Job.Path = Run.Settings.StartDirectory + "CVS";  // StartDirectory ends in the separator
  TDirectory Folder;
  Job.OpenError = OpenDirectory(Run.Settings.StartDirectory, Folder);
  if (Job.OpenError == 0) Job.OpenError = OpenSubdirectory(Folder, "CVS", Job.Admin);
  ProcessAdminDirectory(Run, Job, MakeLook(Job, Run.Test));
}
