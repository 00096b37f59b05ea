// Loading the ignore list.
#include "ignore/ignore_list.h"

#include <memory>
#include <utility>
#include <vector>

#include "app/output.h"
#include "ignore/masks.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"

TStringList IgnoreList;

// Compiled patterns by list index, each with the text it was compiled from.
static std::vector<std::pair<std::string, std::unique_ptr<TMask>>> CompiledPatterns;

std::string IgnoreFilePath() {
  return SpecialFolderPath(ProfileFolder) + PathDelimiter + ".cvsignore";
}

void LoadIgnoreList() {
  IgnoreList.clear();
  std::string Path = IgnoreFilePath();
  if (!FilePresent(Path)) {
    EchoLine("Cannot open .cvsignore from " + Path);
    return;
  }
  EchoLine("Ignored files read from: " + Path);
  // Whole lines: no trimming, no comments, no splitting at blanks.
  LoadLinesFromFile(IgnoreList, Path);
  for (std::string& Pattern : IgnoreList) Pattern = LowerAscii(Pattern);
}

static const TMask& CompiledPattern(std::size_t Index) {
  if (CompiledPatterns.size() < IgnoreList.size()) CompiledPatterns.resize(IgnoreList.size());
  auto& [Text, Mask] = CompiledPatterns[Index];
  if (Mask == nullptr || Text != IgnoreList[Index]) {
    Mask = std::make_unique<TMask>(IgnoreList[Index]);
    Text = IgnoreList[Index];
  }
  return *Mask;
}

bool MatchesIgnoreList(std::string_view Name) {
  for (std::size_t Index = 0; Index < IgnoreList.size(); ++Index)
    if (CompiledPattern(Index).MatchName(Name)) return true;
  return false;
}
