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

/// What the arguments ask for.
enum TRequest {
  rqRun,      ///< a cleanup run
  rqUsage,    ///< the usage text: no argument, or "--help", "-h", "-?" (and "/?" on Windows)
  rqVersion,  ///< "Morvellan <version>": "--version"
};

/// The request of the arguments; the first informational option decides.
TRequest RequestOfArguments();

/// Sets the run settings from the arguments and writes one line for each
/// other argument that begins with '-' ("Unknown option ignored: "), then one
/// more: the mode, or "Cannot find directory: " with the directory
/// (StartDirectory then empty).
void ParseCommandLine();

#endif
