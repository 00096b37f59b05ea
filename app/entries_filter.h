// The removal test and the filtering of one Entries or Entries.Extra file.
#ifndef MORVELLAN_APP_ENTRIES_FILTER_H
#define MORVELLAN_APP_ENTRIES_FILTER_H

#include <cstddef>
#include <string>
#include <string_view>

/// Whether the cleanup removes what the name stands for: the first ignore
/// pattern that matches says yes. In single-file mode the answer is then
/// replaced by whether the name is TargetFileName (A to Z compared alike where
/// names ignore case); the patterns are still tried first, so a malformed one
/// raises all the same. Throws EMaskException for a malformed pattern that the
/// name reaches.
bool IsRemovable(std::string_view Name);

/// How a live run would find an entries file, before anything is changed.
enum TEntriesState {
  esAbsent,     ///< no file of that name
  esUnchanged,  ///< read to its end, and no line would be removed
  esRewritten,  ///< some line would be removed, and nothing stands in the way
  esRefused,    ///< it cannot be rewritten safely; Refusal says why
};

struct TEntriesLook {
  TEntriesState State = esAbsent;
  const char* Refusal = nullptr;  ///< esRefused: "Left unchanged (<why>): "
};

/// Reads the file and says what a live run would do with it; writes nothing.
/// A file that cannot be read to its end, or whose reading stops at a 0x1A
/// byte with more bytes after it, is refused whether or not a line would go;
/// a read-only one only when a line would go.
TEntriesLook LookAtEntriesFile(const std::string& Path);

/// What FilterEntriesFile did to the file.
enum TFilterOutcome {
  foKept,      ///< not rewritten: nothing to remove, or test mode
  foReplaced,  ///< replaced by its filtered copy
  foRefused,   ///< a needed rewrite was refused: the file is byte for byte as it was
};

struct TFilterResult {
  TFilterOutcome Outcome = foKept;
  std::size_t Removed = 0;  ///< the lines logged as removed
};

/// Logs every file line (one that begins with '/') whose entry name (field 2)
/// is removable; every other line is kept and not tested. When Rewrite (live
/// mode) and a line goes, writes the file without the bytes of those lines to
/// the companion Path + ".out" and replaces the file by it in one step, but
/// only when the whole file was read, the companion was written, flushed to
/// disk and closed without error and the file is not read-only; otherwise the
/// file stays byte for byte as it was and one line says why. A file from which
/// no line goes is never written. A missing file is skipped silently.
TFilterResult FilterEntriesFile(const std::string& Path, bool Rewrite);

#endif
