// The removal test, and the reading and filtering of one Entries or Entries.Extra file.
#ifndef MORVELLAN_APP_ENTRIES_FILTER_H
#define MORVELLAN_APP_ENTRIES_FILTER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/line_list.h"

class TDirectory;
class TIgnoreList;
class TOutput;

/// Which names the cleanup removes.
class TRemovalTest {
 public:
  TRemovalTest(const TIgnoreList& Patterns, std::string TargetFileName)
      : Patterns(Patterns), TargetFileName(std::move(TargetFileName)) {}

  /// Whether the cleanup removes what the name stands for: a pattern removes
  /// it (TIgnoreList::Matches). In single-file mode the answer is then replaced
  /// by whether the name is TargetFileName (A to Z compared alike where names
  /// ignore case); the patterns are still tried first, so a malformed one
  /// raises all the same. Throws EMaskException for a malformed pattern that
  /// the name reaches. Safe to call from several threads at once.
  bool IsRemovable(std::string_view Name) const;
  /// Whether the entries line is a file line (it begins with '/') whose entry
  /// name, the bytes between its first and its second '/' taken literally, is
  /// removable. Every other line is kept and never tested: a directory line
  /// keeps its directory in every later commit and tag, and CVS asks that lines
  /// of kinds it does not know yet be kept.
  bool IsRemovableLine(std::string_view Line) const;

 private:
  const TIgnoreList& Patterns;
  std::string TargetFileName;
};

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
  int OpenError = 0;       ///< the system's code when the file is there but could not be opened
  TLineList RemovedLines;  ///< the lines that would go, in file order
};

/// Reads the entries file Name of the administrative directory Admin and says
/// what a live run would do with it; writes nothing. A file that is not a
/// regular file, cannot be read to its end, has a line longer than
/// MaxLineLength or whose reading stops at a 0x1A byte with more bytes after
/// it is refused whether or not a line would go; a read-only one only when a
/// line would go.
TEntriesLook LookAtEntriesFile(const TDirectory& Admin, const std::string& Name,
                               const TRemovalTest& Test);

/// What FilterEntriesFile did to the file.
enum TFilterOutcome {
  foKept,      ///< not rewritten: nothing to remove
  foReplaced,  ///< replaced by its filtered copy
  foRefused,   ///< a needed rewrite was refused: the file is byte for byte as it was
};

struct TFilterResult {
  TFilterOutcome Outcome = foKept;
  std::size_t Removed = 0;  ///< the lines logged as removed
};

/// Live mode: logs every removable line of the entries file Name of Admin
/// ("Remove from <Path>: <line>"), and when a line goes, writes the file
/// without the bytes of those lines to the companion Name + ".out" (a stale one
/// deleted first, the new one created exclusively, copied from the very handle
/// the lines were read through) and replaces the file by it in one step, but
/// only when the whole file was read, the companion was written, flushed to
/// disk and closed without error and the file is not read-only; otherwise the
/// file stays byte for byte as it was and one line says why. A file from which
/// no line goes is never written. A missing file is skipped silently.
TFilterResult FilterEntriesFile(const TDirectory& Admin, const std::string& Name,
                                const std::string& Path, const TRemovalTest& Test, TOutput& Output);

#endif
