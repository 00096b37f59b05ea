// Whole-file loading into string lists, and the two string helpers.
#ifndef MORVELLAN_PLATFORM_TEXT_H
#define MORVELLAN_PLATFORM_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// An ordered list of byte strings: not sorted, duplicates allowed.
using TStringList = std::vector<std::string>;

class TDirectory;

/// Reads the whole file and replaces the list's items by its lines
/// (SplitTextIntoLines). Throws EFOpenError, "Cannot open file "<full path>".
/// <system's description>", when the file cannot be opened, is not a regular
/// file, or is larger than MaxWholeFileSize; the list then keeps its items.
void LoadLinesFromFile(TStringList& List, const std::string& FileName);
/// The same for the entry Name of Dir, opened without following a link;
/// FileName is the path that the message names.
void LoadLinesFromFileAt(TStringList& List, const TDirectory& Dir, const std::string& Name,
                         const std::string& FileName);
/// The largest file read whole: memory stays bounded on any input.
inline constexpr std::size_t MaxWholeFileSize = std::size_t{32} << 20;
/// Reads the whole regular file Name of Dir, without following a link, into
/// Bytes; 0, or the system's code (NotRegularFileError, FileTooLargeError...).
int ReadWholeFileAt(const TDirectory& Dir, const std::string& Name, std::string& Bytes);
/// Clears the list and appends the lines of Text: CR LF, LF and CR each end a
/// line; a NUL ends the text; a line end at the very end adds no empty item.
void SplitTextIntoLines(TStringList& List, std::string_view Text);
/// Every item followed by CR LF, the last one too.
std::string JoinLinesToText(const TStringList& List);
/// Removes the bytes 0x00 to 0x20 at both ends.
std::string TrimBlanks(std::string_view Text);
/// Lower-cases the bytes A to Z only.
std::string LowerAscii(std::string_view Text);

#endif
