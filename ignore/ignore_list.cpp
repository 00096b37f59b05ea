// Loading the ignore list.
#include "ignore/ignore_list.h"

#include "app/output.h"
#include "platform/file_system.h"
#include "platform/special_folder.h"

TStringList IgnoreList;

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
