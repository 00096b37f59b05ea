// Shell special folders.
#ifndef MORVELLAN_PLATFORM_SPECIAL_FOLDER_H
#define MORVELLAN_PLATFORM_SPECIAL_FOLDER_H

#include <string>

/// The user's profile folder (CSIDL_PROFILE).
constexpr int ProfileFolder = 40;

/// The folder's full path without a trailing separator, or empty when it
/// cannot be determined. On POSIX the profile folder is the home folder.
std::string SpecialFolderPath(int Folder);

#endif
