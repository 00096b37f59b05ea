// The working-copy walk and the processing of one administrative directory.
#include "app/working_copy.h"

#include <algorithm>
#include <vector>

#include "app/command_line.h"
#include "app/entries_filter.h"
#include "app/output.h"
#include "app/repository.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"

// Hidden and directory: system directories are never walked.
static constexpr uint32_t WalkAttrSet = AttrHidden | AttrDirectory;

// CVS merges Entries.Log into Entries at its next command; an "A" line there
// would bring back an entry whose revision file is gone.
static bool HoldsUnfinishedWork(const std::string& AdminDirectory) {
  const std::string EntriesLog = AdminDirectory + PathDelimiter + "Entries.Log";
  if (!FilePresent(EntriesLog)) return false;
  EchoLine("Directory left unchanged (CVS has not merged its Entries.Log yet): " + EntriesLog);
  return true;
}

void ProcessAdminDirectory(const std::string& AdminDirectory) {
  EchoLine("Processing: " + AdminDirectory);
  const bool Live = LiveMode && !HoldsUnfinishedWork(AdminDirectory);
  const TFilterOutcome Entries =
      FilterEntriesFile(AdminDirectory + PathDelimiter + "Entries", Live);
  const TFilterOutcome Extra =
      FilterEntriesFile(AdminDirectory + PathDelimiter + "Entries.Extra", Live);
  bool MayDelete = Entries != foRefused && Extra != foRefused;
  // The renames must be on disk before any deletion is: an entry whose revision
  // file has vanished makes CVS delete the working file.
  if (MayDelete && (Entries == foReplaced || Extra == foReplaced))
    MayDelete = FlushDirectory(AdminDirectory);
  CleanRepository(AdminDirectory, Live, MayDelete);
}

// Descent holds the identities of the directories being walked above this one.
static void WalkDirectory(std::string Directory, std::vector<TFileIdentity>& Descent) {
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
    if (!(Rec.Attr & AttrDirectory) || Rec.Name == "." || Rec.Name == "..") continue;
    if (Rec.Name == "CVS") {
      ProcessAdminDirectory(Directory + "CVS");
    } else {
      WalkDirectory(Directory + Rec.Name, Descent);
    }
  } while ((Result = DirScanNext(Rec)) == 0);
  ReportUnlistable(Directory, Result);
  if (Identified) Descent.pop_back();
}

void WalkWorkingCopy(const std::string& Directory) {
  std::vector<TFileIdentity> Descent;
  WalkDirectory(Directory, Descent);
}
