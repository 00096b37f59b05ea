// What a run holds on disk — CVS's repository lock and an entries file's
// companion — on one record, so that every way out of the run lets go of it:
// the normal end, the failure report, and a second interrupt, whose handler
// removes what the record holds.
#ifndef MORVELLAN_APP_HELD_FILES_H
#define MORVELLAN_APP_HELD_FILES_H

#include <string>

#include "platform/raw_file.h"

class TDirectory;

/// Installs the interrupt handling of the run: the first interrupt asks the
/// run to stop (InterruptRequested), a second removes what the record holds
/// and ends the process at once.
void WatchInterruptsForTheRun();

/// Makes the directory Path (CVS's master lock "#cvs.lock") and holds it: the
/// record notes it in the same step. 0, or the system's code
/// (AlreadyExistsError when someone else holds it).
int TakeMasterLock(const std::string& Path);
/// Creates the empty file Path (CVS's write lock file "#cvs.wfl...") and holds
/// it the same way. 0, or the system's code.
int TakeWriteLock(const std::string& Path);
/// Lets go of the write lock file, then of the master lock, each taken off the
/// record before it is removed (or a handler could remove a lock that another
/// process has just made); harmless for what is not held.
void ReleaseLocks();

/// Creates the entry Name of Dir exclusively for writing (never through a
/// link) and holds it: InvalidFileHandle, with the reason in
/// LastSystemError(), when it cannot be made. Dir must stay open until the
/// companion is let go.
TFileHandle CreateCompanion(const TDirectory& Dir, const std::string& Name);
/// Deletes the held companion, taken off the record first; harmless when none
/// is held.
void DiscardCompanion();
/// Replaces Target of the companion's directory by the companion in one step;
/// the companion leaves the record with the rename. False, the companion still
/// held, when the system refuses.
bool ReplaceByCompanion(const std::string& Target);

#endif
