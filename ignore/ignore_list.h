// The user's ignore patterns: read once per run from the profile folder, and
// matched as CVS would let them match.
#ifndef MORVELLAN_IGNORE_IGNORE_LIST_H
#define MORVELLAN_IGNORE_IGNORE_LIST_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ignore/masks.h"
#include "platform/text.h"

/// Where the user's ignore file is looked for, and whether a regular file is
/// there.
struct TIgnoreFile {
  std::string Path;  ///< the profile folder + separator + ".cvsignore"
  bool Present = false;
};

/// Looks for the user's ignore file; a directory, a FIFO or a device of that
/// name is no file.
TIgnoreFile FindIgnoreFile();

/// Appends the patterns of one line as CVS reads them: separated by blanks
/// (spaces and tabs), a pattern "!" emptying the list read so far; lower-cased
/// where names ignore case.
void AddPatterns(TStringList& Patterns, std::string_view Line);
/// The patterns of the ignore file at Path. Throws EFOpenError when the file
/// cannot be opened.
TStringList LoadIgnoreList(const std::string& Path);
/// Whether lines read as CVS reads an ignore file hold a pattern "!", which
/// empties CVS's ignore list at that point.
bool HoldsListReset(std::string_view Text);

/// The patterns compiled once, so that any number of threads can match names
/// against them at the same time.
class TIgnoreList {
 public:
  TIgnoreList() = default;
  explicit TIgnoreList(TStringList Patterns);

  const TStringList& Patterns() const { return Texts; }

  /// Whether a pattern removes Name, which ends at its first NUL. The patterns
  /// are tried in list order up to the first whose mask matches; a malformed
  /// pattern that a name reaches that way throws EMaskException, exactly as a
  /// mask compiled at that moment would have. A name that some mask matches is
  /// removable only where CVS, reading the same pattern as fnmatch does, also
  /// matches it: Morvellan never removes what CVS does not ignore.
  bool Matches(std::string_view Name) const;

 private:
  struct TEntry {
    const TMask* Mask;
    std::size_t Index;  ///< the pattern's place in the list
  };
  void Index(const TMask& Mask, std::size_t Position);
  /// Tries the masks in Entries; notes in Reached whether a mask before the
  /// first malformed pattern matched, and gives true when CVS agrees on one.
  bool Try(const std::vector<TEntry>& Entries, std::string_view Name, bool& Reached) const;

  TStringList Texts;
  std::vector<std::unique_ptr<TMask>> Masks;  ///< null for a malformed pattern
  std::optional<EMaskException> FirstFault;   ///< what the first malformed pattern raises
  std::size_t FirstFaultIndex = 0;
  // The masks keyed by the first or last byte that every name they match has; masks that
  // require neither are tried for every name.
  std::vector<TEntry> ByLastByte[256];
  std::vector<TEntry> ByFirstByte[256];
  std::vector<TEntry> Unkeyed;
};

#endif
