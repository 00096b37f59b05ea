// Finding the administrative directories of a working copy and cleaning them.
#ifndef MORVELLAN_APP_WORKING_COPY_H
#define MORVELLAN_APP_WORKING_COPY_H

struct TCleanupRun;

/// Walks the start directory and everything below it, depth first in the order
/// the system lists entries, and cleans every directory named exactly "CVS"
/// without entering it. Each directory is opened through its parent's handle
/// without following a link, so that the walk cannot be led out of the start
/// directory (which may itself be a link); the descent is kept in the walk's
/// own bounded structures, not in the call stack. System directories are
/// passed over, hidden ones walked; links to directories (symbolic links,
/// junctions) are not entered and get one line each; a directory already
/// being walked higher up (a bind mount back up the tree) is not entered
/// again. A directory that cannot be listed gets one line with the system's
/// reason, and the walk goes on. The looks of the administrative directories
/// may be made ahead by helper threads; every line and every change is made
/// here, in the walk's order. Stops at the next directory when the run must.
void WalkWorkingCopy(TCleanupRun& Run);

/// Cleans the administrative directory beside the single-file target.
void CleanTargetDirectory(TCleanupRun& Run);

#endif
