// Runs the built programs as child processes and captures what they print.
#ifndef MORVELLAN_TESTS_SUPPORT_PROCESS_H
#define MORVELLAN_TESTS_SUPPORT_PROCESS_H

#include <string>
#include <vector>

struct TProcessResult {
  int ExitCode = -1;
  std::string StdOut;
  std::string StdErr;  // empty when merged into StdOut
};

/// Sets (or, for an empty Value, removes) a variable of the environment that
/// programs started from now on inherit.
void SetChildEnvironment(const std::string& Name, const std::string& Value);
/// The path of a program built beside the test binary ("Morvellan", "args_probe"...).
std::string ProgramPath(const std::string& Name);
/// Runs the program in the current directory with the arguments, standard
/// output and standard error going to files (neither is a console). With
/// MergeStdErr both go to the same file, in the order written.
TProcessResult RunProgram(const std::string& Name, const std::vector<std::string>& Arguments,
                          bool MergeStdErr = false);

#endif
