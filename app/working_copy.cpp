// The working-copy walk and the processing of one administrative directory.
#include "app/working_copy.h"

#include <algorithm>
#include <vector>

#include "app/entries_filter.h"
#include "app/output.h"
#include "app/repository.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"

// Hidden and directory: system directories are never walked.
static constexpr uint32_t WalkAttrSet = AttrHidden | AttrDirectory;

void ProcessAdminDirectory(const std::string& AdminDirectory) {
  EchoLine("Processing: " + AdminDirectory);
  bool EntriesKept = FilterEntriesFile(AdminDirectory + PathDelimiter + "Entries");
  bool ExtraKept = FilterEntriesFile(AdminDirectory + PathDelimiter + "Entries.Extra");
  CleanRepository(AdminDirectory, EntriesKept && ExtraKept);
}

// Descent holds the identities of the directories being walked above this one.
static void WalkDirectory(std::string Directory, std::vector<TFileIdentity>& Descent) {
  if (!Directory.ends_with(PathDelimiter)) Directory += PathDelimiter;
  TFileIdentity Identity;
  bool Identified = DirectoryIdentity(Directory, Identity);
  if (Identified && std::find(Descent.begin(), Descent.end(), Identity) != Descent.end()) return;
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  if (DirScanFirst(Directory + "*", WalkAttrSet, Rec) != 0) return;
  if (Identified) Descent.push_back(Identity);
  do {
    if (!(Rec.Attr & AttrDirectory) || Rec.Name == "." || Rec.Name == "..") continue;
    if (Rec.Name == "CVS") {
      ProcessAdminDirectory(Directory + "CVS");
    } else {
      WalkDirectory(Directory + Rec.Name, Descent);
    }
  } while (DirScanNext(Rec) == 0);
  if (Identified) Descent.pop_back();
}

void WalkWorkingCopy(const std::string& Directory) {
  std::vector<TFileIdentity> Descent;
  WalkDirectory(Directory, Descent);
}
