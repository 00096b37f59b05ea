// One cleanup run: its settings, its removal test, its output and its counts,
// handed down to every step that needs them.
#ifndef MORVELLAN_APP_CLEANUP_RUN_H
#define MORVELLAN_APP_CLEANUP_RUN_H

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "app/command_line.h"
#include "app/entries_filter.h"
#include "app/output.h"
#include "app/run_tally.h"
#include "platform/process.h"

struct TCleanupRun {
  TCleanupRun(const TRunSettings& Settings, const TRemovalTest& Test, TOutput& Output)
      : Settings(Settings), Test(Test), Output(Output) {}

  /// Whether the run must stop at its next safe point: an interrupt asked it
  /// to, or the log can no longer say what it does.
  bool Stopping() const { return InterruptRequested() || Output.LogFailed(); }
  bool SingleFile() const { return !Settings.TargetFileName.empty(); }

  /// Whether patterns decide anything in this run (directory mode, with
  /// patterns left): only then are the folders' own .cvsignore files read.
  bool PatternsInUse = false;

  const TRunSettings& Settings;
  const TRemovalTest& Test;
  TOutput& Output;
  TRunTally Tally;
  /// The Root texts of non-local repositories already said.
  std::set<std::string> NonLocalRootsSaid;
  /// Live mode: for each repository directory changed, the number of changes
  /// made in the run when it was changed last; a look made before that is
  /// made again.
  std::map<std::string, std::uint64_t> RepositoryChangedAt;
  std::uint64_t Changes = 0;
};

#endif
