// The run settings and how the command line sets them.
#ifndef MORVELLAN_APP_COMMAND_LINE_H
#define MORVELLAN_APP_COMMAND_LINE_H

#include <string>

#include "app/output.h"

/// What one run is to do; set once from the command line, then only read.
struct TRunSettings {
  /// True: the cleanup changes files on disk; false (test mode): it only logs.
  bool LiveMode = false;
  /// Directory mode: the directory to walk, as typed. Single-file mode: the
  /// folder part of the file path, ending in the separator.
  std::string StartDirectory;
  /// Single-file mode: the file-name part of the path, as typed; empty in
  /// directory mode.
  std::string TargetFileName;
  /// Single-file mode: the path as typed.
  std::string TargetPath;
  TConsoleDetail ConsoleDetail = cdNormal;
};

/// What the arguments ask for.
enum TRequest {
  rqRun,      ///< a cleanup run
  rqUsage,    ///< the usage text: no argument, or "--help", "-h", "-?" (and "/?" on Windows)
  rqVersion,  ///< "Morvellan <version>": "--version"
  rqRefused,  ///< an argument that cannot be taken: nothing may happen
};

/// The arguments, read before anything else happens.
struct TArguments {
  TRequest Request = rqRun;
  std::string Refusal;  ///< rqRefused: the line that says why
  bool LiveMode = false;
  TConsoleDetail ConsoleDetail = cdNormal;
  std::string Path;  ///< the one path, or empty
};

/// Reads the argument list. "--help", "-h", "-?" (and "/?" on Windows) and
/// "--version" decide alone, the first of them in order; otherwise the first
/// argument that cannot be taken refuses the run: an unknown option (any other
/// argument that begins with '-' before "--"), a second path, live and test
/// mode both asked for, or an argument that the ANSI code page cannot hold.
/// "-f"/"-F" ask for live mode, "-n"/"--dry-run" for test mode, "-q"/"--quiet"
/// and "-v"/"--verbose" for the console's detail (the last one counts).
TArguments ReadArguments();

/// Sets the run settings from the path and writes one line: the mode, or
/// "Cannot find directory: " with the directory. False when there is no start
/// directory.
bool ParseCommandLine(const TArguments& Arguments, TRunSettings& Settings, TOutput& Output);

#endif
