// Module dbutil: one numbered field of a separated line, parentheses and quotes honoured.
#ifndef MORVELLAN_TEXTUTIL_DBUTIL_H
#define MORVELLAN_TEXTUTIL_DBUTIL_H

#include <string>
#include <string_view>

#include "platform/char_set.h"

/// One-byte separators inside parentheses that do not end a field: GS, RS and '|'.
inline constexpr CharSet BracketSeparators{29, 30, '|'};

/// Field FieldNumber (from 1) of Line, cleaned: one pair of parentheses that
/// encloses the whole field is removed (StripParentheses); then, if the field
/// is longer than 1 byte, starts and ends with '"' and holds '(' or ')', those
/// two quotes are removed. Empty when the field number is 0 or less or past the
/// last field. Never fails.
std::string ExtractField(std::string_view Line, std::string_view Separator, int FieldNumber);

/// Sets the inclusive 1-based bounds of field FieldNumber in Line; the field is
/// empty when Finish < Start or Start is past the end, and stops at the end
/// when Finish runs past it.
/// - FieldNumber 0 or less: Start 1, Finish 0.
/// - One-byte Separator: found by FindDelimiter; with a separator in
///   BracketSeparators, parentheses outside double quotes protect it. CR and LF
///   are ordinary bytes. A space separator swallows the spaces after it, but
///   spaces at the start of the line are field 1's. Finish is one past the end
///   when no separator ends the field.
/// - Any other Separator (empty included): plain left-to-right search; an empty
///   separator is never found. Past the last field, Start and Finish are both
///   the line's length + 1.
/// Only the first MaxScanLength (textutil/utils.h) bytes of Line count.
void LocateField(std::string_view Line, std::string_view Separator, int FieldNumber, int& Start,
                 int& Finish);

#endif
