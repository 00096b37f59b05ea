// What a run did, or in test mode would do: the counts of its summary line and
// what decides its exit status.
#ifndef MORVELLAN_APP_RUN_TALLY_H
#define MORVELLAN_APP_RUN_TALLY_H

#include <cstdint>
#include <string>

struct TRunTally {
  std::uint64_t EntriesRemoved = 0;        ///< lines removed from entries files
  std::uint64_t FilesRewritten = 0;        ///< entries files rewritten
  std::uint64_t RevisionFilesDeleted = 0;  ///< live mode: those actually gone
  std::uint64_t DirectoriesLeftUnchanged = 0;
  std::uint64_t LeftUnchangedLines = 0;  ///< "left unchanged" lines written so far
  bool LeftSomethingUndone = false;      ///< a line said that something was left undone
};

extern TRunTally Tally;

/// "Removed N entries from M files and deleted K revision files; D directories
/// left unchanged." in live mode, or "Would remove ... would be left
/// unchanged." in test mode, each count with its singular for 1.
std::string SummaryLine(const TRunTally& Counts, bool Live);

#endif
