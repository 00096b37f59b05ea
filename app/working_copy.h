// Finding the administrative directories of a working copy and processing them.
#ifndef MORVELLAN_APP_WORKING_COPY_H
#define MORVELLAN_APP_WORKING_COPY_H

#include <string>

/// Announces the administrative directory (its path ends in "CVS") and cleans
/// it: reads Root and Repository; leaves it unchanged when it holds
/// Entries.Log; looks, without writing, at what would change; where that is
/// anything and the repository is local, takes CVS's write lock first (test
/// mode only foresees what would stop it); then filters Entries and
/// Entries.Extra and deletes the revision files, those of Attic included, but
/// only once the entries files were replaced and flushed to disk. An entries
/// file that cannot be rewritten safely leaves the whole directory unchanged.
void ProcessAdminDirectory(const std::string& AdminDirectory);

/// Walks the directory and everything below it, depth first in the order the
/// system lists entries, and processes every directory named exactly "CVS"
/// without entering it. System directories are passed over, hidden ones
/// walked; links to directories (symbolic links, junctions) are not entered
/// and get one line each; a directory already being walked higher up (a bind
/// mount back up the tree) is not entered again. A directory that cannot be
/// listed gets one line with the system's reason, and the walk goes on.
void WalkWorkingCopy(const std::string& Directory);

#endif
