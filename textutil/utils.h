// Module UTILS: bracket- and quote-aware scanners, parenthesis stripping, character search.
#ifndef MORVELLAN_TEXTUTIL_UTILS_H
#define MORVELLAN_TEXTUTIL_UTILS_H

#include <climits>
#include <string>
#include <string_view>

#include "platform/char_set.h"

/// The scanners and CharPosition examine at most this many bytes of a text, so
/// that every position, one past the end included, fits in an int.
constexpr int MaxScanLength = INT_MAX - 1;

/// Scans Text from Position (1-based; 0 or less counts as 1) inside one bracket
/// that the caller has already passed, and returns true when its closing partner
/// is reached. Position is then one past the partner; otherwise one past the
/// end, or unchanged when it started beyond the end (nothing is examined).
/// Closing is tested before Opening; inside quotes, which end only at the byte
/// that opened them, brackets are plain text. With StopAtLineEnd a CR or LF ends
/// the scan unsuccessfully.
bool FindClosingBracket(int& Position, std::string_view Text, CharSet Opening, CharSet Closing,
                        CharSet Quotes, bool StopAtLineEnd);

/// Scans Text from Position (1-based; 0 or less counts as 1) for Delimiter
/// outside brackets (quotes do not hide it) and leaves Position one past the
/// byte that stopped the scan, or one past the end. Returns true when the last
/// byte examined is Delimiter, also when it ends the text inside brackets; a
/// scan that starts beyond the end examines nothing, leaves Position unchanged
/// and returns false. A stray closing bracket drives the depth below 0, after
/// which no delimiter stops the scan. With StopAtLineEnd a CR or LF stops it.
bool FindDelimiter(int& Position, std::string_view Text, CharSet Opening, CharSet Closing,
                   CharSet Quotes, char Delimiter, bool StopAtLineEnd);

/// Text without its first and last byte when they are '(' and the ')' that
/// closes it (quotes honoured, no CR or LF between); otherwise Text unchanged.
/// Removes one pair only.
std::string StripParentheses(std::string_view Text);

/// The 1-based position of the first byte of Text equal to Character, or 0.
int CharPosition(char Character, std::string_view Text);

#endif
