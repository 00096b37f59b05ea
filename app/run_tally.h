// What a run did, or in test mode would do: the counts of its summary line and
// what its exit status is made from.
#ifndef MORVELLAN_APP_RUN_TALLY_H
#define MORVELLAN_APP_RUN_TALLY_H

#include <cstdint>
#include <string>

struct TRunTally {
  std::uint64_t EntriesRemoved = 0;        ///< lines removed from entries files
  std::uint64_t FilesRewritten = 0;        ///< entries files rewritten
  std::uint64_t RevisionFilesDeleted = 0;  ///< live mode: those actually gone
  std::uint64_t DirectoriesLeftUnchanged = 0;
  std::uint64_t Shortfalls = 0;                 ///< other lines that say something was left undone
  std::uint64_t AdministrativeDirectories = 0;  ///< administrative directories met
  bool TargetUnknown = false;  ///< single-file mode: CVS knows no file of that name there
};

/// "Removed N entries from M files and deleted K revision files; D directories
/// left unchanged." in live mode, or "Would remove ... would be left
/// unchanged." in test mode, each count with its singular for 1.
std::string SummaryLine(const TRunTally& Counts, bool Live);

/// The exit status of a run that went to its end: 1 when it found nothing to
/// clean (no administrative directory, or a single-file target that CVS does
/// not know), 2 when something was left unchanged or undone, otherwise 0.
int ExitStatusOf(const TRunTally& Counts);

#endif
