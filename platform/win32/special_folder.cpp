// Shell special folders through the shell's item identifier lists.
#include "platform/special_folder.h"

#include <windows.h>
#include <shlobj.h>

std::string SpecialFolderPath(int Folder) {
  LPITEMIDLIST Items = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, Folder, &Items) != S_OK) return std::string();
  char Path[MAX_PATH] = {};
  bool Found = SHGetPathFromIDListA(Items, Path);
  CoTaskMemFree(Items);
  return Found ? Path : std::string();
}
