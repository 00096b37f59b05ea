// Loading the ignore list and matching names against it.
#include "ignore/ignore_list.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ignore/masks.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"

TStringList IgnoreList;

namespace {

// The masks of the ignore list, compiled in list order as names first reach them, and an index
// that leads a name only to the masks that can match it. The index keys on the first or last
// byte that a mask requires; masks that require neither are tried for every name.
class TCompiledList {
 public:
  /// Whether List is the list these masks were compiled from.
  bool IsFor(const TStringList& List) const;
  /// Drops every mask and starts afresh for List.
  void Reset(const TStringList& List);
  /// How many patterns, from the first on, are compiled.
  std::size_t Count() const { return Masks.size(); }
  /// Compiles the next pattern of the list; throws EMaskException for a malformed one.
  const TMask& CompileNext();
  /// Whether a compiled mask matches Name, which holds no NUL.
  bool AnyMatches(std::string_view Name) const;

 private:
  TStringList Patterns;
  std::vector<std::unique_ptr<TMask>> Masks;
  std::vector<const TMask*> ByLastByte[256];
  std::vector<const TMask*> ByFirstByte[256];
  std::vector<const TMask*> Unkeyed;
};

}  // namespace

static TCompiledList Compiled;

template <typename TWord>
static TWord WordAt(const char* Bytes) {
  TWord Word;
  std::memcpy(&Word, Bytes, sizeof Word);
  return Word;
}

// Equal texts, compared a word at a time: every name compares the whole list, and patterns are
// short. Two overlapping words cover 4 to 8 bytes, or 8 to 16.
static bool SameText(std::string_view Left, std::string_view Right) {
  const std::size_t Size = Left.size();
  if (Size != Right.size()) return false;
  const char* L = Left.data();
  const char* R = Right.data();
  if (Size > 16) return Left == Right;
  if (Size >= 8)
    return WordAt<uint64_t>(L) == WordAt<uint64_t>(R) &&
           WordAt<uint64_t>(L + Size - 8) == WordAt<uint64_t>(R + Size - 8);
  if (Size >= 4)
    return WordAt<uint32_t>(L) == WordAt<uint32_t>(R) &&
           WordAt<uint32_t>(L + Size - 4) == WordAt<uint32_t>(R + Size - 4);
  return Size == 0 || (L[0] == R[0] && L[Size / 2] == R[Size / 2] && L[Size - 1] == R[Size - 1]);
}

bool TCompiledList::IsFor(const TStringList& List) const {
  if (List.size() != Patterns.size()) return false;
  for (std::size_t Index = 0; Index < List.size(); ++Index)
    if (!SameText(List[Index], Patterns[Index])) return false;
  return true;
}

void TCompiledList::Reset(const TStringList& List) {
  Patterns = List;
  Masks.clear();
  for (auto& Bucket : ByLastByte) Bucket.clear();
  for (auto& Bucket : ByFirstByte) Bucket.clear();
  Unkeyed.clear();
}

const TMask& TCompiledList::CompileNext() {
  Masks.push_back(std::make_unique<TMask>(Patterns[Masks.size()]));
  const TMask* Mask = Masks.back().get();
  if (Mask->RequiredLastByte() >= 0)
    ByLastByte[Mask->RequiredLastByte()].push_back(Mask);
  else if (Mask->RequiredFirstByte() >= 0)
    ByFirstByte[Mask->RequiredFirstByte()].push_back(Mask);
  else
    Unkeyed.push_back(Mask);
  return *Mask;
}

static bool AnyOf(const std::vector<const TMask*>& Masks, std::string_view Name) {
  for (const TMask* Mask : Masks)
    if (Mask->MatchCutName(Name)) return true;
  return false;
}

bool TCompiledList::AnyMatches(std::string_view Name) const {
  static const unsigned char* const Folding = TMask::FoldingOf(NamesIgnoreCase);
  if (!Name.empty() &&
      (AnyOf(ByLastByte[Folding[static_cast<unsigned char>(Name.back())]], Name) ||
       AnyOf(ByFirstByte[Folding[static_cast<unsigned char>(Name.front())]], Name)))
    return true;
  return AnyOf(Unkeyed, Name);
}

TIgnoreFile FindIgnoreFile() {
  TIgnoreFile File;
  File.Path = SpecialFolderPath(ProfileFolder) + PathDelimiter + ".cvsignore";
  File.Present = FilePresent(File.Path);
  return File;
}

static bool IsBlank(char Byte) { return Byte == ' ' || Byte == '\t'; }

// Appends the blank-separated patterns of one line; "!" empties the list, as it does for CVS.
static void AddPatterns(std::string_view Line) {
  for (;;) {
    while (!Line.empty() && IsBlank(Line.front())) Line.remove_prefix(1);
    if (Line.empty()) return;
    std::size_t End = 0;
    while (End < Line.size() && !IsBlank(Line[End])) ++End;
    const std::string_view Pattern = Line.substr(0, End);
    if (Pattern == "!")
      IgnoreList.clear();
    else
      IgnoreList.push_back(NamesIgnoreCase ? LowerAscii(Pattern) : std::string(Pattern));
    Line.remove_prefix(End);
  }
}

void LoadIgnoreList(const std::string& Path) {
  IgnoreList.clear();
  TStringList Lines;
  LoadLinesFromFile(Lines, Path);
  for (const std::string& Line : Lines) AddPatterns(Line);
}

// Which pattern matches does not matter, only whether one does: a name that no compiled mask
// matches goes on to the patterns not yet compiled, in list order, as it would have reached them.
bool MatchesIgnoreList(std::string_view Name) {
  Name = Name.substr(0, Name.find('\0'));
  if (!Compiled.IsFor(IgnoreList)) Compiled.Reset(IgnoreList);
  if (Compiled.AnyMatches(Name)) return true;
  while (Compiled.Count() < IgnoreList.size())
    if (Compiled.CompileNext().MatchCutName(Name)) return true;
  return false;
}
