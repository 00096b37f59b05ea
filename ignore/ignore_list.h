// The user's ignore patterns, read once per run from the profile folder.
#ifndef MORVELLAN_IGNORE_IGNORE_LIST_H
#define MORVELLAN_IGNORE_IGNORE_LIST_H

#include <string>
#include <string_view>

#include "platform/text.h"

/// The patterns of the ignore file in file order; lower-cased where names
/// ignore case.
extern TStringList IgnoreList;

/// Where the user's ignore file is looked for, and whether a file is there.
struct TIgnoreFile {
  std::string Path;  ///< the profile folder + separator + ".cvsignore"
  bool Present = false;
};

/// Looks for the user's ignore file; a directory of that name is no file.
TIgnoreFile FindIgnoreFile();
/// Fills IgnoreList from the file as CVS reads it: each line holds patterns
/// separated by blanks (spaces and tabs), and a pattern "!" empties the list
/// read so far. Throws EFOpenError when the file cannot be opened.
void LoadIgnoreList(const std::string& Path);

/// Whether the name matches a pattern of IgnoreList, tried in list order up to
/// the first that matches. A pattern is compiled when a name first reaches it
/// and kept while the list holds it, so a malformed pattern throws
/// EMaskException exactly when a name first reaches it.
bool MatchesIgnoreList(std::string_view Name);

#endif
