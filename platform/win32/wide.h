// Wide text and "\\?\" paths, for the other Win32 bodies.
#ifndef MORVELLAN_PLATFORM_WIN32_WIDE_H
#define MORVELLAN_PLATFORM_WIN32_WIDE_H

#include <string>
#include <string_view>

/// Text of the ANSI code page in wide characters. False, with the reason as
/// the last error, when a byte sequence is no character of the code page.
bool ToWide(std::string_view Text, std::wstring& Wide);
/// Wide text in the ANSI code page, never through a look-alike: a '?' stands
/// for each character that the code page cannot hold, and Exact (when given)
/// then turns false.
std::string ToAnsi(std::wstring_view Wide, bool* Exact = nullptr);

/// The path made absolute against the current directory (or its drive's),
/// with '/' turned into '\' and "." and ".." folded by their text alone, so
/// that every name keeps its trailing dots and blanks and a device name stays
/// a name. A trailing separator stays; a "\\?\" path is taken as it is.
std::wstring AbsolutePath(std::wstring_view Path);
/// Path as the absolute "\\?\" path ("\\?\UNC\server\share\..." for a share)
/// that the system takes as it is, at any length. False, with the reason as
/// the last error, when Path does not convert or holds a NUL.
bool ToSystemPath(std::string_view Path, std::wstring& SystemPath);

#endif
