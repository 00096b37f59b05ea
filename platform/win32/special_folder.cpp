// Shell special folders through the shell's item identifier lists, in wide characters.
#include "platform/special_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "platform/win32/wide.h"

// The longest path the system takes, in characters.
static constexpr std::size_t MaxPathLength = 32768;

std::string SpecialFolderPath(int Folder) {
  LPITEMIDLIST Items = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, Folder, &Items) != S_OK) return std::string();
  // The "Ex" form is told the buffer's size, so that a path of any length can be had; it gives no
  // size back, and a folder outside the file system fails at every size.
  std::wstring Path(MAX_PATH, L'\0');
  while (
      !SHGetPathFromIDListEx(Items, Path.data(), static_cast<DWORD>(Path.size()), GPFIDL_DEFAULT)) {
    if (Path.size() >= MaxPathLength) {
      Path.clear();
      break;
    }
    Path.resize(Path.size() * 2);
  }
  CoTaskMemFree(Items);
  return ToAnsi(Path.c_str());
}
