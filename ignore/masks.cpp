// Compiling wildcard masks into items and matching names against them.
#include "ignore/masks.h"

#include <array>
#include <cassert>
#include <string>

namespace {

/// Where a starred item's search goes on when a later part of the mask fails.
struct TResumePoint {
  std::size_t Position;
  std::size_t ItemIndex;
};

}  // namespace

static constexpr std::array<unsigned char, 256> MakeFolding(bool IgnoreCase) {
  std::array<unsigned char, 256> Folding{};
  for (unsigned Byte = 0; Byte < 256; ++Byte)
    Folding[Byte] = static_cast<unsigned char>(
        IgnoreCase && Byte >= 'a' && Byte <= 'z' ? Byte - ('a' - 'A') : Byte);
  return Folding;
}

static constexpr std::array<unsigned char, 256> CaseFolding = MakeFolding(true);
static constexpr std::array<unsigned char, 256> NoFolding = MakeFolding(false);

const unsigned char* TMask::FoldingOf(bool IgnoreCase) {
  return IgnoreCase ? CaseFolding.data() : NoFolding.data();
}

static unsigned char ByteAt(std::string_view Text, std::size_t Index) {
  return static_cast<unsigned char>(Text[Index]);
}

static std::string_view UpToNul(std::string_view Text) { return Text.substr(0, Text.find('\0')); }

static std::string InvalidMaskMessage(std::string_view Mask, std::size_t Position) {
  return "'" + std::string(Mask) + "' is an invalid mask at (" + std::to_string(Position) + ")";
}

// Reads the set whose '[' stands at Mask[Open] into Item; returns the index of its closing ']'.
static std::size_t ReadSet(std::string_view Mask, std::size_t Open, const CharSet& LeadBytes,
                           const unsigned char* Folding, TMaskItem& Item) {
  std::size_t Index = Open + 1;
  if (Index < Mask.size() && Mask[Index] == '!') {
    Item.Invert = true;
    ++Index;
  }
  bool HasPrevious = false;
  unsigned char Previous = 0;
  while (Index < Mask.size() && Mask[Index] != ']') {
    const unsigned char Byte = ByteAt(Mask, Index);
    if (LeadBytes.Contains(Byte)) {
      // Two-byte characters never become members; a lead byte at the end leaves the set open.
      Index += 2;
    } else if (Byte == '-') {
      if (!HasPrevious) throw EMaskException(InvalidMaskMessage(Mask, Index + 1));
      // The bound may be any byte, ']' included; Previous stays the start of later ranges too.
      if (Index + 1 < Mask.size())
        Item.Members.AddRange(Previous, Folding[ByteAt(Mask, Index + 1)]);
      Index += 2;
    } else {
      Previous = Folding[Byte];
      HasPrevious = true;
      Item.Members.Add(Previous);
      ++Index;
    }
  }
  if (Index >= Mask.size()) throw EMaskException(InvalidMaskMessage(Mask, Mask.size() + 1));
  if (Item.Members.IsEmpty()) throw EMaskException(InvalidMaskMessage(Mask, Index + 1));
  return Index;
}

// One pass over the mask; returns the item count, end item included. Without Items it only
// counts and checks the sets; with Items it fills them and applies the limit on starred items.
static std::size_t ScanMask(std::string_view Mask, const CharSet& LeadBytes,
                            const unsigned char* Folding, TMaskItem* Items) {
  std::size_t Count = 0;
  int StarredCount = 0;
  bool Star = false;
  // LastByte is the index of the byte that completes the item, Mask.size() for the end item.
  auto Emit = [&](TMaskItem& Item, std::size_t LastByte) {
    if (Items != nullptr) {
      if (Star && ++StarredCount > TMask::MaxStarItems)
        throw EMaskException(InvalidMaskMessage(Mask, LastByte + 1));
      Item.AfterStar = Star;
      Items[Count] = Item;
    }
    ++Count;
    Star = false;
  };
  std::size_t Index = 0;
  while (Index < Mask.size()) {
    const unsigned char Byte = ByteAt(Mask, Index);
    TMaskItem Item;
    if (Byte == '*') {
      Star = true;
    } else if (Byte == '?') {
      // After a star the '?' is dropped and the star stays pending for the next item.
      if (!Star) {
        Item.Kind = mkAnyChar;
        Emit(Item, Index);
      }
    } else if (Byte == '[') {
      Item.Kind = mkSet;
      Index = ReadSet(Mask, Index, LeadBytes, Folding, Item);
      Emit(Item, Index);
    } else if (LeadBytes.Contains(Byte) && Index + 1 < Mask.size()) {
      Item.Kind = mkDoubleByte;
      Item.FirstByte = Byte;
      Item.SecondByte = ByteAt(Mask, Index + 1);
      ++Index;
      Emit(Item, Index);
    } else {
      // A lead byte that ends the mask has no second byte: it becomes an ordinary literal.
      Item.Ch = Folding[Byte];
      Emit(Item, Index);
    }
    ++Index;
  }
  TMaskItem EndItem;
  Emit(EndItem, Mask.size());
  return Count;
}

TMask::TMask(std::string_view Mask, const CharSet& LeadBytes, bool IgnoreCase)
    : Folding(FoldingOf(IgnoreCase)) {
  Mask = UpToNul(Mask);
  ItemCount = ScanMask(Mask, LeadBytes, Folding, nullptr);
  Items = std::make_unique<TMaskItem[]>(ItemCount);
  ScanMask(Mask, LeadBytes, Folding, Items.get());
  ReadShape();
}

// Only mkLiteral items qualify: two-byte items, sets and '?' need the item search.
void TMask::ReadShape() {
  const std::size_t Last = ItemCount - 1;
  for (std::size_t Index = 0; Index < Last; ++Index)
    if (Items[Index].Kind != mkLiteral || (Items[Index].AfterStar && Index > 0)) return;
  const bool StarFirst = Last > 0 && Items[0].AfterStar;
  const bool StarLast = Items[Last].AfterStar;
  if (StarFirst && StarLast) return;
  Shape = StarFirst ? msSuffix : StarLast ? msPrefix : msLiteral;
  for (std::size_t Index = 0; Index < Last; ++Index) Literal += static_cast<char>(Items[Index].Ch);
}

// Whether Item, other than the end item, fits the name at Position; the end of the name is no
// byte. After a star a two-byte item is searched for one byte at a time like any other: the search
// stops on the first byte of the next pair, a later attempt resumes one byte after it, and a lead
// byte that ends the name fits nothing, so the search never passes the end.
static bool Fits(const TMaskItem& Item, std::string_view Name, std::size_t Position,
                 const unsigned char* Folding) {
  if (Position >= Name.size()) return false;
  const unsigned char Byte = ByteAt(Name, Position);
  switch (Item.Kind) {
    case mkLiteral:
      return Folding[Byte] == Item.Ch;
    case mkAnyChar:
      return true;
    case mkSet:
      return Item.Members.Contains(Folding[Byte]) != Item.Invert;
    case mkDoubleByte:
      return Position + 1 < Name.size() && Byte == Item.FirstByte &&
             ByteAt(Name, Position + 1) == Item.SecondByte;
  }
  return false;
}

// The first position from From on at which Item fits, or the name's length.
static std::size_t FindFit(const TMaskItem& Item, std::string_view Name, std::size_t From,
                           const unsigned char* Folding) {
  std::size_t Position = From;
  while (Position < Name.size() && !Fits(Item, Name, Position, Folding)) ++Position;
  return Position;
}

bool TMask::MatchName(std::string_view Name) const { return MatchCutName(UpToNul(Name)); }

bool TMask::MatchItems(std::string_view Name) const {
  TResumePoint ResumeStack[MaxStarItems];
  int Depth = 0;
  std::size_t Position = 0;
  std::size_t Index = 0;
  for (;;) {
    const TMaskItem& Item = Items[Index];
    bool Fitted;
    if (Index + 1 == ItemCount) {
      // A starred end item takes whatever is left of the name.
      if (Item.AfterStar || Position == Name.size()) return true;
      Fitted = false;
    } else if (Item.AfterStar) {
      const std::size_t Found = FindFit(Item, Name, Position, Folding);
      // Once a starred item has run out of name, no resume point below can help: each only
      // starts this same search further right. Stopping here bounds the time by name length
      // times item count.
      if (Found == Name.size()) return false;
      assert(Depth < MaxStarItems && "only starred items push, one point each");
      ResumeStack[Depth++] = {Found + 1, Index};
      Position = Found;
      Fitted = true;
    } else {
      Fitted = Fits(Item, Name, Position, Folding);
    }
    if (Fitted) {
      Position += Item.Kind == mkDoubleByte ? 2 : 1;
      ++Index;
    } else {
      if (Depth == 0) return false;
      const TResumePoint& Resume = ResumeStack[--Depth];
      Position = Resume.Position;
      Index = Resume.ItemIndex;
    }
  }
}

bool NameMatchesMask(std::string_view Name, std::string_view Mask) {
  return TMask(Mask).MatchName(Name);
}

bool NameMatchesMask(std::string_view Name, std::string_view Mask, const CharSet& LeadBytes,
                     bool IgnoreCase) {
  return TMask(Mask, LeadBytes, IgnoreCase).MatchName(Name);
}
