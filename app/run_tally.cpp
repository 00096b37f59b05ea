// The run's tally, its summary line and its exit status.
#include "app/run_tally.h"

static std::string Counted(std::uint64_t Count, const char* One, const char* Many) {
  return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

std::string SummaryLine(const TRunTally& Counts, bool Live) {
  const std::string Entries = Counted(Counts.EntriesRemoved, "entry", "entries");
  const std::string Files = Counted(Counts.FilesRewritten, "file", "files");
  const std::string Revisions =
      Counted(Counts.RevisionFilesDeleted, "revision file", "revision files");
  const std::string Directories =
      Counted(Counts.DirectoriesLeftUnchanged, "directory", "directories");
  if (Live)
    return "Removed " + Entries + " from " + Files + " and deleted " + Revisions + "; " +
           Directories + " left unchanged.";
  return "Would remove " + Entries + " from " + Files + " and delete " + Revisions + "; " +
         Directories + " would be left unchanged.";
}

int ExitStatusOf(const TRunTally& Counts) {
  if (Counts.AdministrativeDirectories == 0 || Counts.TargetUnknown) return 1;
  return Counts.DirectoriesLeftUnchanged > 0 || Counts.Shortfalls > 0 ? 2 : 0;
}
