// The two writers every line of the program goes through, and the log.
#ifndef MORVELLAN_APP_OUTPUT_H
#define MORVELLAN_APP_OUTPUT_H

#include <string>
#include <string_view>

/// The log's name, relative: it lies in the current directory.
inline constexpr std::string_view LogFileName = "Morvellan.log";

/// Creates Morvellan.log empty, replacing any file of that name. 0, or the
/// system's error code when it cannot be created; log lines are then dropped.
int OpenLog();
/// Writes out the log's buffered lines and closes it; harmless when not open.
void CloseLog();
/// Hands the log's buffered lines to the system, so that a change made next
/// is never missing from the log of a killed run.
void HandOnLog();
/// Writes the line to the log only; nothing when the log is not open.
void LogLine(std::string_view Text);
/// Writes the line to the console, then to the log.
void EchoLine(std::string_view Text);
/// EchoLine, handing the line to the system at once also where the console
/// is a file or a pipe: for a line that says the run waits.
void EchoLineNow(std::string_view Text);
/// EchoLine for a line that says something was left undone (a deletion that
/// failed, a directory that could not be listed): the run ends with status 2.
void EchoShortfall(std::string_view Text);
/// EchoShortfall for a line that says something was left unchanged; its
/// administrative directory counts as one left unchanged.
void EchoLeftUnchanged(std::string_view Text);
/// Says that the directory (its path ends in the separator) could not be
/// listed, with the system's reason for Code; nothing for DirScanNoMoreEntries.
void ReportUnlistable(const std::string& Directory, int Code);

#endif
