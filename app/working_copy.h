// Finding the administrative directories of a working copy and processing them.
#ifndef MORVELLAN_APP_WORKING_COPY_H
#define MORVELLAN_APP_WORKING_COPY_H

#include <string>

/// Announces the administrative directory (its path ends in "CVS"), filters
/// its Entries and Entries.Extra, then cleans its repository, whose revision
/// files are kept in live mode when either entries file could not be rewritten
/// or the directory could not be flushed after a rewrite. In live mode a
/// directory holding Entries.Log (changes CVS has not merged yet) is handled
/// as in test mode, with one line saying so.
void ProcessAdminDirectory(const std::string& AdminDirectory);

/// Walks the directory and everything below it, depth first in the order the
/// system lists entries, and processes every directory named exactly "CVS"
/// without entering it. System directories are passed over, hidden ones
/// walked; a directory already being walked higher up (a link cycle) is not
/// entered again. A directory that cannot be listed gets one line with the
/// system's reason, and the walk goes on.
void WalkWorkingCopy(const std::string& Directory);

#endif
