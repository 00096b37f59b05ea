// Loading the ignore list and matching names against it.
#include "ignore/ignore_list.h"

#include "ignore/cvs_pattern.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"

TIgnoreFile FindIgnoreFile() {
  TIgnoreFile File;
  File.Path = SpecialFolderPath(ProfileFolder) + PathDelimiter + ".cvsignore";
  File.Present = RegularFilePresent(File.Path);
  return File;
}

static bool IsBlank(char Byte) { return Byte == ' ' || Byte == '\t'; }

// Calls Take for each blank-separated pattern of the line.
template <typename TTake>
static void ForEachPattern(std::string_view Line, TTake&& Take) {
  for (;;) {
    while (!Line.empty() && IsBlank(Line.front())) Line.remove_prefix(1);
    if (Line.empty()) return;
    std::size_t End = 0;
    while (End < Line.size() && !IsBlank(Line[End])) ++End;
    Take(Line.substr(0, End));
    Line.remove_prefix(End);
  }
}

void AddPatterns(TStringList& Patterns, std::string_view Line) {
  ForEachPattern(Line, [&](std::string_view Pattern) {
    if (Pattern == "!")
      Patterns.clear();
    else
      Patterns.push_back(NamesIgnoreCase ? LowerAscii(Pattern) : std::string(Pattern));
  });
}

TStringList LoadIgnoreList(const std::string& Path) {
  TStringList Lines;
  LoadLinesFromFile(Lines, Path);
  TStringList Patterns;
  for (const std::string& Line : Lines) AddPatterns(Patterns, Line);
  return Patterns;
}

bool HoldsListReset(std::string_view Text) {
  TStringList Lines;
  SplitTextIntoLines(Lines, Text);
  bool Reset = false;
  for (const std::string& Line : Lines)
    ForEachPattern(Line, [&](std::string_view Pattern) { Reset = Reset || Pattern == "!"; });
  return Reset;
}

TIgnoreList::TIgnoreList(TStringList Patterns) : Texts(std::move(Patterns)) {
  Masks.resize(Texts.size());
  for (std::size_t Position = 0; Position < Texts.size(); ++Position) {
    try {
      Masks[Position] = std::make_unique<TMask>(Texts[Position]);
    } catch (const EMaskException& Fault) {
      // Kept to be raised when a name first reaches the pattern, as it would have been then.
      if (!FirstFault) {
        FirstFault = Fault;
        FirstFaultIndex = Position;
      }
      continue;
    }
    Index(*Masks[Position], Position);
  }
}

void TIgnoreList::Index(const TMask& Mask, std::size_t Position) {
  if (Mask.RequiredLastByte() >= 0)
    ByLastByte[Mask.RequiredLastByte()].push_back({&Mask, Position});
  else if (Mask.RequiredFirstByte() >= 0)
    ByFirstByte[Mask.RequiredFirstByte()].push_back({&Mask, Position});
  else
    Unkeyed.push_back({&Mask, Position});
}

bool TIgnoreList::Try(const std::vector<TEntry>& Entries, std::string_view Name,
                      bool& Reached) const {
  bool Agreed = false;
  for (const TEntry& Entry : Entries) {
    if (!Entry.Mask->MatchCutName(Name)) continue;
    Reached = Reached || !FirstFault || Entry.Index < FirstFaultIndex;
    Agreed = Agreed || CvsPatternMatches(Texts[Entry.Index], Name, NamesIgnoreCase);
    if (Reached && Agreed) break;
  }
  return Agreed;
}

bool TIgnoreList::Matches(std::string_view Name) const {
  Name = Name.substr(0, Name.find('\0'));
  static const unsigned char* const Folding = TMask::FoldingOf(NamesIgnoreCase);
  bool Reached = false;
  bool Agreed = false;
  auto Settled = [&](const std::vector<TEntry>& Entries) {
    Agreed = Try(Entries, Name, Reached) || Agreed;
    return Reached && Agreed;
  };
  if (!Name.empty() && (Settled(ByLastByte[Folding[static_cast<unsigned char>(Name.back())]]) ||
                        Settled(ByFirstByte[Folding[static_cast<unsigned char>(Name.front())]])))
    return true;
  if (Settled(Unkeyed)) return true;
  // A name that no mask before the first malformed pattern matches reaches that pattern.
  if (!Reached && FirstFault) throw *FirstFault;
  return false;
}
