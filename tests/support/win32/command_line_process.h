// Starting a Windows program with a command line given byte for byte.
#ifndef MORVELLAN_TESTS_SUPPORT_WIN32_COMMAND_LINE_PROCESS_H
#define MORVELLAN_TESTS_SUPPORT_WIN32_COMMAND_LINE_PROCESS_H

#include <string>

#include "tests/support/process.h"

/// Runs Program with exactly this command line (program name included).
TProcessResult RunCommandLine(const std::string& Program, std::string CommandLine,
                              bool MergeStdErr = false);
/// The same in wide characters, which may hold what the ANSI code page cannot.
TProcessResult RunCommandLine(const std::wstring& Program, std::wstring CommandLine,
                              bool MergeStdErr = false);

#endif
