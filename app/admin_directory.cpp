// The look at one administrative directory, and its cleanup.
#include "app/admin_directory.h"

#include <new>

#include "app/cleanup_run.h"
#include "app/cvs_lock.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/line_file.h"
#include "platform/raw_file.h"

static std::string AdminFile(const TAdminJob& Job, const char* Name) {
  return Job.Path + PathDelimiter + Name;
}

// CVS merges Entries.Log into Entries at its next command: an "A" line of a file entry whose
// name is removable would bring that entry back after its revision file is gone, and CVS would
// then delete the working file. A line whose second byte is not a blank is an old-style "A".
// Entries.Log must not block the run, so one that cannot be read counts as unfinished work.
static bool HoldsUnmergedRemovals(const TDirectory& Admin, const TRemovalTest& Test,
                                  bool& Shortage) {
  TLineFile Log;
  TLineFileGuard Guard(Log);
  LineFileOpenReadAt(Log, Admin, "Entries.Log");
  if (LineFileFailed(Log)) {
    Shortage = IsShortageError(LineFileErrorCode(Log));
    return !IsNotFoundError(LineFileErrorCode(Log));
  }
  std::string Line;
  while (!LineFileAtEnd(Log)) {
    LineFileReadLine(Log, Line);
    if (Line.size() >= 2 && Line[1] == ' ') {
      if (Line[0] == 'A' && Test.IsRemovableLine(std::string_view(Line).substr(2))) return true;
    } else if (Test.IsRemovableLine(Line)) {
      return true;
    }
  }
  return LineFileFailed(Log) || LineFileLineTooLong(Log);
}

// The look's reading of the entries file Name.
static TEntriesLook LookAtEntries(const TAdminJob& Job, const char* Name, const TRemovalTest& Test,
                                  bool& Shortage) {
  TEntriesLook Look = LookAtEntriesFile(Job.Admin, Name, Test);
  Shortage = Shortage || (Look.State == esRefused && IsShortageError(Look.OpenError));
  return Look;
}

TDirectoryLook MakeLook(const TAdminJob& Job, const TRemovalTest& Test) {
  TDirectoryLook Look;
  try {
    if (Job.OpenError != 0)
      throw EFOpenError("Cannot open file \"" + FullPathName(AdminFile(Job, "Root")) + "\". " +
                            SystemErrorText(Job.OpenError),
                        Job.OpenError);
    Look.Place = ReadRepositoryPlace(Job.Admin, Job.Path);
    if (Look.Place.Local && Look.Place.Check != pcInside) return Look;
    if (Job.FolderIgnore == fiReset) return Look;
    Look.UnmergedLog = HoldsUnmergedRemovals(Job.Admin, Test, Look.Shortage);
    if (Look.UnmergedLog) return Look;
    Look.Entries = LookAtEntries(Job, "Entries", Test, Look.Shortage);
    Look.Extra = LookAtEntries(Job, "Entries.Extra", Test, Look.Shortage);
    if (Look.Place.Local) Look.Revisions = LookAtRevisionFiles(Look.Place.Directory, Test);
    Look.Shortage = Look.Shortage || Look.Revisions.Shortage;
    Look.Complete = true;
  } catch (const EFOpenError& Failure) {
    Look.Shortage = IsShortageError(Failure.SystemCode());
    Look.Failure = std::current_exception();
  } catch (const std::bad_alloc&) {
    Look.Shortage = true;
    Look.Failure = std::current_exception();
  } catch (...) {
    Look.Failure = std::current_exception();
  }
  return Look;
}

namespace {

// The cleanup of one administrative directory from its look.
class TDirectoryCleanup {
 public:
  TDirectoryCleanup(TCleanupRun& Run, const TAdminJob& Job, const TDirectoryLook& Look)
      : Run(Run), Job(Job), Look(Look), Place(Look.Place) {}

  void Clean();
  /// Whether a line said that the directory is left unchanged.
  bool LeftUnchanged = false;

 private:
  bool LeaveUnchanged(const std::string& Line) {
    Run.Output.EchoLine(Line);
    LeftUnchanged = true;
    return false;
  }
  bool SaidEarlyEnd();
  void SayUnmergedLog();
  bool SayRefusals();
  bool IsLeftAloneAsNonLocal();
  bool CanChange();
  void SayRepositoryKept();
  void SayRevisionItem(const TRevisionItem& Item);
  void SayRevisionItems();
  void WriteTheLook();
  void ChangeUnderLock();
  bool RewriteEntries();
  void DeleteRevisionFiles();

  TCleanupRun& Run;
  const TAdminJob& Job;
  const TDirectoryLook& Look;
  const TRepositoryPlace& Place;
};

}  // namespace

void TDirectoryCleanup::SayUnmergedLog() {
  LeaveUnchanged(
      "Directory left unchanged (CVS has not merged its Entries.Log yet; run cvs update there "
      "first): " +
      AdminFile(Job, "Entries.Log"));
}

// Says what ends the directory before its files are read, if anything does: its repository is not
// where it may be cleaned, its folder's .cvsignore stops the patterns, or CVS has unmerged work
// there.
bool TDirectoryCleanup::SaidEarlyEnd() {
  if (Place.Local && Place.Check == pcOutsideRoot)
    LeaveUnchanged("Directory left unchanged (repository outside its root): " + Place.Directory);
  else if (Place.Local && Place.Check == pcControlFiles)
    LeaveUnchanged("Directory left unchanged (the repository's CVSROOT): " + Place.Directory);
  else if (Job.FolderIgnore == fiReset)
    Run.Output.EchoLine("Ignore list emptied by \"!\" in " + Job.FolderIgnorePath);
  else if (Look.UnmergedLog)
    SayUnmergedLog();
  else
    return false;
  return true;
}

void TDirectoryCleanup::SayRepositoryKept() {
  // Revision files stay while their entries may still be listed: CVS would take their
  // disappearance for a removal.
  if (Place.Local && Look.Revisions.Removable > 0)
    LeaveUnchanged("Repository left unchanged (entries not rewritten): " + Place.Directory);
}

// An entries file that cannot be rewritten safely leaves the whole directory as it is: with the
// other file rewritten alone, CVS would find the working files in the way of their revisions.
bool TDirectoryCleanup::SayRefusals() {
  if (!Look.Refused()) return false;
  if (Look.Entries.State == esRefused)
    LeaveUnchanged(Look.Entries.Refusal + AdminFile(Job, "Entries"));
  if (Look.Extra.State == esRefused)
    LeaveUnchanged(Look.Extra.Refusal + AdminFile(Job, "Entries.Extra"));
  SayRepositoryKept();
  return true;
}

// With the revision files out of reach, removing entries only makes CVS find the working files
// "in the way" of revisions that still exist.
bool TDirectoryCleanup::IsLeftAloneAsNonLocal() {
  if (Place.Local) return false;
  if (!Look.RemovesAnyLine()) return true;
  LeftUnchanged = true;
  if (Run.NonLocalRootsSaid.insert(Place.RootText).second)
    Run.Output.EchoLine("Repository not local, its directories are left unchanged: " +
                        Place.RootText);
  return true;
}

// What can be known beforehand to stop a change, said in both modes alike.
bool TDirectoryCleanup::CanChange() {
  if (Look.RewritesEntries())
    if (DirectoryWritable(Job.Admin) != 0) {
      for (const auto& [File, Name] :
           {std::pair{&Look.Entries, "Entries"}, std::pair{&Look.Extra, "Entries.Extra"}})
        if (File->State == esRewritten)
          LeaveUnchanged("Left unchanged (cannot write its new copy): " + AdminFile(Job, Name));
      SayRepositoryKept();
      return false;
    }
  if (!CanLockRepository(Place, Run.Output)) {
    LeftUnchanged = true;
    return false;
  }
  if (Look.Revisions.Removable > 0)
    if (const int Code = DirectoryAccess(Place.Directory, true))
      return LeaveUnchanged("Directory left unchanged (cannot delete in the repository (" +
                            SystemErrorText(Code) + ")): " + Place.Directory);
  return true;
}

void TDirectoryCleanup::SayRevisionItem(const TRevisionItem& Item) {
  switch (Item.Kind) {
    case TRevisionItem::rkDelete:
      Run.Output.LogLine("Delete from repository: " + Item.Path);
      break;
    case TRevisionItem::rkLeftAlone:
      Run.Output.EchoLine("Left alone (name not in the ANSI code page): " + Item.Path);
      break;
    case TRevisionItem::rkAtticLink:
      Run.Output.EchoLine("Not entered (link): " + Item.Path);
      break;
    case TRevisionItem::rkUnlistable:
      Run.Output.EchoLine("Cannot list directory (" + SystemErrorText(Item.Error) +
                          "): " + Item.Path);
      ++Run.Tally.Shortfalls;
      break;
  }
}

void TDirectoryCleanup::SayRevisionItems() {
  for (std::size_t Index = 0; Index < Look.Revisions.size(); ++Index)
    SayRevisionItem(Look.Revisions.Item(Place.Directory, Index));
}

// Test mode: the lines of what live mode would do, from the look alone.
void TDirectoryCleanup::WriteTheLook() {
  for (const auto& [File, Name] :
       {std::pair{&Look.Entries, "Entries"}, std::pair{&Look.Extra, "Entries.Extra"}}) {
    const std::string Prefix = "Remove from " + AdminFile(Job, Name) + ": ";
    for (std::size_t Index = 0; Index < File->RemovedLines.size(); ++Index)
      Run.Output.LogLine(Prefix + std::string(File->RemovedLines[Index]));
    Run.Tally.EntriesRemoved += File->RemovedLines.size();
    Run.Tally.FilesRewritten += !File->RemovedLines.empty();
  }
  SayRevisionItems();
  Run.Tally.RevisionFilesDeleted += Look.Revisions.Removable;
}

// Filters both entries files and makes their replacement durable; false when either was refused,
// or the run must stop.
bool TDirectoryCleanup::RewriteEntries() {
  bool Replaced = false;
  bool Done = true;
  for (const char* Name : {"Entries", "Entries.Extra"}) {
    // The file being filtered is finished; the next one is not begun once the run must stop.
    if (Run.Stopping()) {
      Done = false;
      break;
    }
    const TFilterResult Result =
        FilterEntriesFile(Job.Admin, Name, AdminFile(Job, Name), Run.Test, Run.Output);
    if (Result.Outcome == foRefused) {
      LeftUnchanged = LeftUnchanged || !Run.Output.LogFailed();
      Done = false;
      continue;
    }
    Replaced = Replaced || Result.Outcome == foReplaced;
    if (Result.Outcome == foReplaced) {
      Run.Tally.EntriesRemoved += Result.Removed;
      ++Run.Tally.FilesRewritten;
    }
  }
  // The renames must be on disk before any deletion is: an entry whose revision file has
  // vanished makes CVS delete the working file.
  if (Replaced && !FlushDirectory(Job.Admin)) Done = false;
  if (!Done && !Run.Stopping()) SayRepositoryKept();
  return Done && !Run.Stopping();
}

// On Windows a second interrupt's handler runs beside the main thread: it waits until the deletion
// is done, so that it never lets go of the lock in the middle of one.
static int DeleteWhileInterruptsWait(const TDirectory& Holder, const std::string& Name,
                                     std::uint32_t Attr) {
  TInterruptsDeferred Deferred;
  return DeleteRevisionFileAt(Holder, Name, Attr);
}

void TDirectoryCleanup::DeleteRevisionFiles() {
  ListRevisionFiles(Place.Directory, Run.Test,
                    [&](const TRevisionItem& Item, const TDirectory& Holder,
                        const std::string& Name, std::uint32_t Attr) {
                      if (Run.Stopping()) return false;
                      SayRevisionItem(Item);
                      if (Item.Kind != TRevisionItem::rkDelete) return true;
                      // The log names every deletion before it is made.
                      if (!Run.Output.HandOn()) return false;
                      const int Code = DeleteWhileInterruptsWait(Holder, Name, Attr);
                      if (Code == 0) {
                        ++Run.Tally.RevisionFilesDeleted;
                      } else {
                        Run.Output.EchoLine("Could not delete from repository (" +
                                            SystemErrorText(Code) + "): " + Item.Path);
                        ++Run.Tally.Shortfalls;
                      }
                      return true;
                    });
}

// Live mode: under CVS's write lock, everything a change rests on is read again.
void TDirectoryCleanup::ChangeUnderLock() {
  TRepositoryLock Lock;
  if (!Lock.Take(Place, Run.Output)) {
    LeftUnchanged = LeftUnchanged || !InterruptRequested();
    return;
  }
  // CVS writes Entries.Log without the repository's lock: it is read again here.
  bool Shortage = false;
  if (HoldsUnmergedRemovals(Job.Admin, Run.Test, Shortage)) return SayUnmergedLog();
  ++Run.Changes;
  Run.RepositoryChangedAt[Place.Directory] = Run.Changes;
  if (RewriteEntries()) DeleteRevisionFiles();
}

void TDirectoryCleanup::Clean() {
  if (Look.Failure) std::rethrow_exception(Look.Failure);
  if (SaidEarlyEnd() || SayRefusals() || IsLeftAloneAsNonLocal()) return;
  if (!Look.ChangesAnything()) return SayRevisionItems();
  if (!CanChange()) return;
  if (Run.Settings.LiveMode)
    ChangeUnderLock();
  else
    WriteTheLook();
}

void ProcessAdminDirectory(TCleanupRun& Run, const TAdminJob& Job, const TDirectoryLook& Look) {
  Run.Output.ProgressLine("Processing: " + Job.Path);
  ++Run.Tally.AdministrativeDirectories;
  if (Job.FolderIgnore == fiUnreadable) {
    Run.Output.EchoLine("Cannot open .cvsignore from " + Job.FolderIgnorePath);
    ++Run.Tally.Shortfalls;
  }
  TDirectoryCleanup Cleanup(Run, Job, Look);
  Cleanup.Clean();
  Run.Tally.DirectoriesLeftUnchanged += Cleanup.LeftUnchanged;
  // A mistyped name must not look like success.
  if (Run.SingleFile() && Look.Complete && !Look.RemovesAnyLine() && Look.Revisions.Removable == 0)
    Run.Tally.TargetUnknown = true;
}
