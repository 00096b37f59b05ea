// The run settings and how the command line sets them.
#ifndef MORVELLAN_APP_COMMAND_LINE_H
#define MORVELLAN_APP_COMMAND_LINE_H

#include <string>

/// True: the cleanup changes files on disk; false (test mode): it only logs.
extern bool LiveMode;
/// Directory mode: the directory to walk, as typed. Single-file mode: the
/// folder part of the file path, ending in the separator. Empty when the run
/// has nothing to do.
extern std::string StartDirectory;
/// Single-file mode: the file-name part of the path, as typed; empty in
/// directory mode.
extern std::string TargetFileName;

/// Sets the run settings from the arguments and writes one line: the mode, or
/// "Cannot find directory: " with the directory (StartDirectory then empty).
void ParseCommandLine();

#endif
