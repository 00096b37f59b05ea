// The report that ends a run stopped by an exception.
#ifndef MORVELLAN_PLATFORM_FAILURE_REPORT_H
#define MORVELLAN_PLATFORM_FAILURE_REPORT_H

#include <cstdint>
#include <string>
#include <string_view>

class Exception;

/// The report text: "Exception <class> in module <module> at <8 hex digits>."
/// LineEnd "<message>" plus a period unless the message is empty or ends in one,
/// LineEnd; cut to at most 1023 bytes.
std::string FormatFailureReport(std::string_view ClassName, std::string_view ModuleName,
                                uint32_t CodeOffset, std::string_view Message);

/// Hands on standard output's pending bytes, writes the report (converted to
/// the console's code page on Windows) and one more LineEnd to standard error,
/// and ends the process with status 1.
[[noreturn]] void ReportFailureAndExit(const Exception& Failure);

/// The running executable's file name, without its directory.
std::string ExecutableFileName();
/// The distance of a code address from the start of the loaded executable.
uint32_t CodeOffsetInExecutable(const void* Address);
/// Converts text from the ANSI code page to the console's OEM code page; POSIX
/// leaves it as it is.
std::string ToConsoleCodePage(std::string Text);

#endif
