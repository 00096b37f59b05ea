// The working-copy walk and the processing of one administrative directory.
#include "app/working_copy.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "app/command_line.h"
#include "app/cvs_lock.h"
#include "app/entries_filter.h"
#include "app/output.h"
#include "app/read_ahead.h"
#include "app/repository.h"
#include "app/run_tally.h"
#include "app/walk_rules.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"

namespace {

// What an administrative directory's files hold for the cleanup, read before anything changes.
struct TDirectoryLook {
  TEntriesLook Entries;
  TEntriesLook Extra;
  TRevisionLook Revisions;

  bool Refused() const { return Entries.State == esRefused || Extra.State == esRefused; }
  bool ChangesAnything() const {
    return Entries.State == esRewritten || Extra.State == esRewritten || Revisions.Removable > 0;
  }
  bool HasAnythingToSay() const { return ChangesAnything() || Refused() || Revisions.Unlistable; }
};

}  // namespace

static std::string AdminFile(const std::string& AdminDirectory, const char* Name) {
  return AdminDirectory + PathDelimiter + Name;
}

// Says, once per run for each Root text, that a repository that is not local keeps its files:
// the next cvs update will see them again.
static void SayIfNotLocal(const TRepositoryPlace& Place) {
  static std::set<std::string> Said;
  if (Place.Local || !Said.insert(Place.RootText).second) return;
  EchoLine("Repository not local, its revision files are kept: " + Place.RootText);
}

// CVS merges Entries.Log into Entries at its next command; an "A" line there
// would bring back an entry whose revision file is gone.
static bool HoldsUnfinishedWork(const std::string& AdminDirectory) {
  const std::string EntriesLog = AdminFile(AdminDirectory, "Entries.Log");
  if (!FilePresent(EntriesLog)) return false;
  EchoLeftUnchanged("Directory left unchanged (CVS has not merged its Entries.Log yet): " +
                    EntriesLog);
  return true;
}

static TDirectoryLook LookAtDirectory(const std::string& AdminDirectory,
                                      const TRepositoryPlace& Place) {
  TDirectoryLook Look;
  Look.Entries = LookAtEntriesFile(AdminFile(AdminDirectory, "Entries"));
  Look.Extra = LookAtEntriesFile(AdminFile(AdminDirectory, "Entries.Extra"));
  if (Place.Local) Look.Revisions = LookAtRevisionFiles(Place.Directory);
  return Look;
}

// Revision files stay while their entries may still be listed: CVS would take their
// disappearance for a removal.
static void SayRepositoryKept(const TRepositoryPlace& Place, const TDirectoryLook& Look) {
  if (Look.Revisions.Removable > 0)
    EchoLeftUnchanged("Repository left unchanged (entries not rewritten): " + Place.Directory);
}

// An entries file that cannot be rewritten safely leaves the whole directory as it is: with the
// other file rewritten alone, CVS would find the working files in the way of their revisions.
static void SayRefusals(const std::string& AdminDirectory, const TRepositoryPlace& Place,
                        const TDirectoryLook& Look) {
  if (Look.Entries.State == esRefused)
    EchoLeftUnchanged(Look.Entries.Refusal + AdminFile(AdminDirectory, "Entries"));
  if (Look.Extra.State == esRefused)
    EchoLeftUnchanged(Look.Extra.Refusal + AdminFile(AdminDirectory, "Entries.Extra"));
  SayRepositoryKept(Place, Look);
}

// Filters one entries file (in live mode rewrites it); false when it was refused.
static bool CleanEntriesFile(const std::string& Path, bool& Replaced) {
  const TFilterResult Result = FilterEntriesFile(Path, LiveMode);
  if (Result.Outcome == foRefused) return false;
  if (Result.Removed > 0) {
    Tally.EntriesRemoved += Result.Removed;
    ++Tally.FilesRewritten;
  }
  Replaced = Replaced || Result.Outcome == foReplaced;
  return true;
}

static void CleanDirectory(const std::string& AdminDirectory, const TRepositoryPlace& Place,
                           const TDirectoryLook& Look) {
  bool Replaced = false;
  bool EntriesDone = CleanEntriesFile(AdminFile(AdminDirectory, "Entries"), Replaced);
  EntriesDone =
      CleanEntriesFile(AdminFile(AdminDirectory, "Entries.Extra"), Replaced) && EntriesDone;
  // The renames must be on disk before any deletion is: an entry whose revision
  // file has vanished makes CVS delete the working file.
  if (Replaced) EntriesDone = FlushDirectory(AdminDirectory) && EntriesDone;
  if (!Place.Local) return;
  if (!EntriesDone) return SayRepositoryKept(Place, Look);
  Tally.RevisionFilesDeleted += DeleteRevisionFiles(Place.Directory, LiveMode);
}

static void CleanAdminDirectory(const std::string& AdminDirectory) {
  const TRepositoryPlace Place = ReadRepositoryPlace(AdminDirectory);
  SayIfNotLocal(Place);
  if (HoldsUnfinishedWork(AdminDirectory)) return;
  const TDirectoryLook Look = LookAtDirectory(AdminDirectory, Place);
  if (!Look.HasAnythingToSay()) return;
  if (Look.Refused()) return SayRefusals(AdminDirectory, Place, Look);
  TRepositoryLock Lock;
  if (Place.Local && Look.ChangesAnything() && !Lock.Take(Place, LiveMode)) return;
  CleanDirectory(AdminDirectory, Place, Look);
}

void ProcessAdminDirectory(const std::string& AdminDirectory) {
  EchoLine("Processing: " + AdminDirectory);
  const std::uint64_t LinesBefore = Tally.LeftUnchangedLines;
  CleanAdminDirectory(AdminDirectory);
  if (Tally.LeftUnchangedLines != LinesBefore) ++Tally.DirectoriesLeftUnchanged;
}

// Descent holds the identities of the directories being walked above this one.
static void WalkDirectory(std::string Directory, std::vector<TFileIdentity>& Descent,
                          TReadAhead& ReadAhead) {
  if (!Directory.ends_with(PathDelimiter)) Directory += PathDelimiter;
  TFileIdentity Identity;
  bool Identified = DirectoryIdentity(Directory, Identity);
  if (Identified && std::find(Descent.begin(), Descent.end(), Identity) != Descent.end()) return;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Directory + "*", WalkAttrSet, Rec);
  if (Result != 0) return ReportUnlistable(Directory, Result);
  if (Identified) Descent.push_back(Identity);
  do {
    switch (WalkStepFor(Rec)) {
      case wsPass:
        break;
      case wsLink:
        EchoLine("Not entered (link): " + Directory + Rec.Name);
        break;
      case wsAdmin:
        ReadAhead.Reaching(Directory + "CVS");
        ProcessAdminDirectory(Directory + "CVS");
        break;
      case wsDescend:
        WalkDirectory(Directory + Rec.Name, Descent, ReadAhead);
        break;
    }
  } while ((Result = DirScanNext(Rec)) == 0);
  ReportUnlistable(Directory, Result);
  if (Identified) Descent.pop_back();
}

void WalkWorkingCopy(const std::string& Directory) {
  TReadAhead ReadAhead(Directory);
  std::vector<TFileIdentity> Descent;
  WalkDirectory(Directory, Descent, ReadAhead);
}
