// POSIX special folders: the profile folder is the home folder.
#include "platform/special_folder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

static std::string HomeFolder() {
  const char* Home = std::getenv("HOME");
  if (Home != nullptr && Home[0] != '\0') return Home;
  const passwd* Entry = getpwuid(getuid());
  return Entry != nullptr && Entry->pw_dir != nullptr ? Entry->pw_dir : "";
}

std::string SpecialFolderPath(int Folder) {
  if (Folder != ProfileFolder) return std::string();
  std::string Path = HomeFolder();
  while (!Path.empty() && Path.back() == '/') Path.pop_back();
  return Path;
}
