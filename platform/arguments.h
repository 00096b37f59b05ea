// The program's command-line arguments.
#ifndef MORVELLAN_PLATFORM_ARGUMENTS_H
#define MORVELLAN_PLATFORM_ARGUMENTS_H

#include <string>
#include <string_view>
#include <vector>

#include "platform/char_set.h"

/// Whether options may also be written with '/' ("/?"), as Windows programs
/// take them; false on POSIX, where such an argument is a path.
extern const bool SlashOptions;

/// Takes the arguments the system handed to main. On Windows they are ignored:
/// the command line is taken from the system and cut by CutCommandLine instead.
void SetProgramArguments(int Count, char** Values);
/// The number of non-empty arguments after the program's own name.
int ArgumentCount();
/// The argument at Index, from 1; the empty string for an index out of range.
std::string ArgumentAt(int Index);
/// False when the argument at Index cannot be held by the ANSI code page
/// (Windows only): ArgumentAt then shows a '?' for each character that cannot
/// be shown.
bool ArgumentInCodePage(int Index);
/// The program's own name as it was called, without its directory.
std::string ProgramName();

/// Cuts a Windows command line into arguments, the program's name first.
/// Blanks (0x01 to 0x20) separate arguments outside double quotes; quotes never
/// belong to an argument; a backslash is an ordinary byte; a lead byte and the
/// byte after it are never split. Empty arguments are left out.
std::vector<std::string> CutCommandLine(std::string_view Line, const CharSet& LeadBytes);
/// The same for a command line in wide characters, which has no lead bytes.
std::vector<std::wstring> CutCommandLine(std::wstring_view Line);

#endif
