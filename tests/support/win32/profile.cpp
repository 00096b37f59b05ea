// Windows: the profile folder is the shell's and cannot be moved for a child,
// so tests use the real one (inside the private Wine prefix under CI).
#include "tests/support/profile.h"

#include "platform/special_folder.h"

std::string UseProfileFolder(const std::string&) { return SpecialFolderPath(ProfileFolder); }

void RestoreProfileFolder() {}
