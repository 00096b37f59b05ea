// Whole-file loading into string lists, and the two string helpers.
#ifndef MORVELLAN_PLATFORM_TEXT_H
#define MORVELLAN_PLATFORM_TEXT_H

#include <string>
#include <string_view>
#include <vector>

/// An ordered list of byte strings: not sorted, duplicates allowed.
using TStringList = std::vector<std::string>;

/// Reads the whole file and replaces the list's items by its lines
/// (SplitTextIntoLines). Throws EFOpenError, "Cannot open file "<full path>".
/// <system's description>", when the file cannot be opened; the list then keeps
/// its items.
void LoadLinesFromFile(TStringList& List, const std::string& FileName);
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
