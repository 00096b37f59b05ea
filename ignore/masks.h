// Wildcard masks for whole file names: compiling, matching, and the fault they raise.
#ifndef MORVELLAN_IGNORE_MASKS_H
#define MORVELLAN_IGNORE_MASKS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/char_set.h"
#include "platform/code_page.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"

/// A mask could not be compiled. The message is "'<mask>' is an invalid mask
/// at (<position>)": the mask up to its first NUL, and the 1-based position of
/// the byte at which the fault was found.
class EMaskException : public Exception {
 public:
  explicit EMaskException(std::string Message, const void* Location = CurrentCodeAddress())
      : Exception("EMaskException", std::move(Message), Location) {}
};

enum TMaskItemKind : std::uint8_t { mkLiteral, mkAnyChar, mkSet, mkDoubleByte };

/// One compiled item. Only the fields of its Kind have meaning; the others stay zero.
struct TMaskItem {
  bool AfterStar = false;  ///< one or more '*' stood directly before this item
  TMaskItemKind Kind = mkLiteral;
  unsigned char Ch = 0;          ///< mkLiteral: the folded byte; NUL in the end item
  bool Invert = false;           ///< mkSet: the set was opened with "[!"
  CharSet Members;               ///< mkSet: the folded members, never empty
  unsigned char FirstByte = 0;   ///< mkDoubleByte: a lead byte, unfolded
  unsigned char SecondByte = 0;  ///< mkDoubleByte: the byte after it, unfolded
};

/// A compiled mask. It does not change after construction, so one mask serves
/// any number of MatchName calls.
class TMask {
 public:
  /// At most this many items of one mask may follow a '*'.
  static constexpr int MaxStarItems = 30;

  /// Compiles Mask, which ends at its first NUL; bytes in LeadBytes open a
  /// two-byte character; with IgnoreCase the letters a to z and A to Z compare
  /// alike, otherwise every byte compares exactly. Throws EMaskException for a
  /// '-' with no previous member in a set, a set left open, a set without
  /// members, or a 31st item after '*' (the end item included). Set faults are
  /// looked for over the whole mask first, so a mask with both kinds reports
  /// its first faulty set.
  explicit TMask(std::string_view Mask, const CharSet& LeadBytes = SystemLeadBytes(),
                 bool IgnoreCase = NamesIgnoreCase);
  TMask(const TMask&) = delete;
  TMask& operator=(const TMask&) = delete;

  /// True when the whole Name, which ends at its first NUL, fits the mask.
  /// Raises nothing and never reads past the end of the name; the time is
  /// bounded by the name's length times the mask's item count.
  bool MatchName(std::string_view Name) const;
  /// The folded byte that the last byte of every matching name folds to, or -1
  /// when the mask demands none; a caller with many masks can pass over those
  /// that cannot match a name.
  int RequiredLastByte() const {
    return Shape != msPrefix && Shape != msItems && !Literal.empty()
               ? static_cast<unsigned char>(Literal.back())
               : -1;
  }
  /// Likewise for the first byte of every matching name.
  int RequiredFirstByte() const {
    return Shape != msSuffix && Shape != msItems && !Literal.empty()
               ? static_cast<unsigned char>(Literal.front())
               : -1;
  }

  /// The byte each byte value compares as: with IgnoreCase a to z become A to
  /// Z, every other byte stays; without it every byte stays.
  static const unsigned char* FoldingOf(bool IgnoreCase);
  /// A byte as this mask compares it.
  unsigned char Fold(unsigned char Byte) const { return Folding[Byte]; }

  /// MatchName for a Name that holds no NUL, so that a caller testing one name
  /// against many masks cuts it only once.
  bool MatchCutName(std::string_view Name) const {
    switch (Shape) {
      case msLiteral:
        return Name.size() == Literal.size() && EqualsFolded(Name.data(), Literal);
      case msPrefix:
        return Name.size() >= Literal.size() && EqualsFolded(Name.data(), Literal);
      case msSuffix:
        // The last byte first: most names that miss differ there.
        return Name.size() >= Literal.size() &&
               Fold(Name.back()) == static_cast<unsigned char>(Literal.back()) &&
               EqualsFolded(Name.data() + (Name.size() - Literal.size()), Literal);
      case msItems:
        break;
    }
    return MatchItems(Name);
  }

 private:
  /// Shapes answered by one comparison instead of the item search. They are
  /// read off the compiled items, so they give exactly the items' answer.
  enum TMaskShape : std::uint8_t {
    msItems,    ///< anything else: the item search
    msLiteral,  ///< literal items only: the name equals Literal
    msPrefix,   ///< literal items (or none), then a starred end item: the name begins with Literal
    msSuffix,   ///< a starred first literal, literal items after it: the name ends in Literal
  };

  /// Whether the bytes at Name fold to Folded, which holds folded bytes.
  bool EqualsFolded(const char* Name, std::string_view Folded) const {
    for (std::size_t Index = 0; Index < Folded.size(); ++Index)
      if (Fold(Name[Index]) != static_cast<unsigned char>(Folded[Index])) return false;
    return true;
  }

  void ReadShape();
  bool MatchItems(std::string_view Name) const;

  const unsigned char* Folding;
  std::unique_ptr<TMaskItem[]> Items;  ///< exactly ItemCount long; the last is the end item
  std::size_t ItemCount = 0;
  TMaskShape Shape = msItems;
  std::string Literal;  ///< msLiteral, msPrefix, msSuffix: the literal items' folded bytes
};

/// Compiles Mask with the system's lead bytes, tests Name once and releases the
/// mask. Throws EMaskException for a malformed mask, as TMask does.
bool NameMatchesMask(std::string_view Name, std::string_view Mask);
/// The same with the given lead-byte set and case rule in place of the system's.
bool NameMatchesMask(std::string_view Name, std::string_view Mask, const CharSet& LeadBytes,
                     bool IgnoreCase = NamesIgnoreCase);

#endif
