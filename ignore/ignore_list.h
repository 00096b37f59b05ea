// The user's ignore patterns, read once per run from the profile folder.
#ifndef MORVELLAN_IGNORE_IGNORE_LIST_H
#define MORVELLAN_IGNORE_IGNORE_LIST_H

#include <string>
#include <string_view>

#include "platform/text.h"

/// The patterns, lower-cased, one per line of the ignore file, in file order.
extern TStringList IgnoreList;

/// The path of the user's ignore file: the profile folder + separator + ".cvsignore".
std::string IgnoreFilePath();
/// Fills IgnoreList from the ignore file and writes where it read it from, or
/// that it cannot open it (the list then stays empty). Throws EFOpenError when
/// the file exists but cannot be opened.
void LoadIgnoreList();

/// Whether the name matches a pattern of IgnoreList, tried in list order up to
/// the first that matches. A pattern is compiled when a name first reaches it
/// and kept while the list holds it, so a malformed pattern throws
/// EMaskException exactly when a name first reaches it.
bool MatchesIgnoreList(std::string_view Name);

#endif
