// The removal test and the filtering of one Entries or Entries.Extra file.
#ifndef MORVELLAN_APP_ENTRIES_FILTER_H
#define MORVELLAN_APP_ENTRIES_FILTER_H

#include <string>
#include <string_view>

/// Whether the cleanup removes what the name stands for: the first ignore
/// pattern that matches says yes. In single-file mode the answer is then
/// replaced by whether the name equals TargetFileName, A to Z compared alike;
/// the patterns are still tried first, so a malformed one raises all the same.
/// Throws EMaskException for a malformed pattern that the name reaches.
bool IsRemovable(std::string_view Name);

/// Logs every line of the file whose entry name (field 2) is removable. In
/// live mode writes the other lines to the companion file Path + ".out" and
/// then replaces the file by it in one step, but only when the whole file was
/// read, the companion was written and closed without error and the file is not
/// read-only; otherwise the file stays byte for byte as it was and one line
/// says why. A missing file is skipped silently.
/// Gives false when a live rewrite was refused, true otherwise.
bool FilterEntriesFile(const std::string& Path);

#endif
