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

/// What FilterEntriesFile did to the file.
enum TFilterOutcome {
  foKept,      ///< not rewritten, and nothing stands in the way of its revision files going
  foReplaced,  ///< replaced by its filtered copy
  foRefused,   ///< a needed rewrite was refused: the file is byte for byte as it was
};

/// Logs every line of the file whose entry name (field 2) is removable. When
/// Rewrite (live mode for this file) and the filtered copy would differ from
/// the file, writes the copy to the companion Path + ".out" and replaces the
/// file by it in one step, but only when the whole file was read, the
/// companion was written and closed without error and the file is not
/// read-only; otherwise the file stays byte for byte as it was and one line
/// says why. A file whose copy would be the same is left alone. A missing file
/// is skipped silently.
TFilterOutcome FilterEntriesFile(const std::string& Path, bool Rewrite);

#endif
