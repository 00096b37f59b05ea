// The path and the name behind a held directory, for the other Win32 bodies.
#ifndef MORVELLAN_PLATFORM_WIN32_DIRECTORY_H
#define MORVELLAN_PLATFORM_WIN32_DIRECTORY_H

#include <windows.h>

#include <string>
#include <string_view>

class TDirectory;

/// The "\\?\" path of the entry Name of the open directory Dir. False, with
/// the reason as the last error, when Dir is not open or Name does not convert
/// or is not one name (ERROR_INVALID_NAME for a separator or a NUL in it).
bool EntryPath(const TDirectory& Dir, const std::string& Name, std::wstring& Path);

/// The name that the system gives the open file or directory, from the root
/// of its volume; empty when it gives none.
std::wstring HandleName(HANDLE Handle);
/// HandleName of the open directory, taken when it was opened.
const std::wstring& DirectoryName(const TDirectory& Dir);
/// Whether Handle, opened at Path as an entry of the directory that the system
/// names DirectoryName, is that entry itself and not what a link led to (Wine
/// follows a POSIX symbolic link even when asked not to). True when the
/// system names either of them not at all.
bool IsEntryItself(HANDLE Handle, std::wstring_view Path, std::wstring_view DirectoryName);

#endif
