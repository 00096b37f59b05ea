// The profile folder where child runs of Morvellan look for .cvsignore.
#ifndef MORVELLAN_TESTS_SUPPORT_PROFILE_H
#define MORVELLAN_TESTS_SUPPORT_PROFILE_H

#include <string>

/// Makes Proposed the profile folder of the programs started from now on,
/// where the platform allows it (POSIX: HOME); gives the folder they will use.
std::string UseProfileFolder(const std::string& Proposed);
/// Undoes UseProfileFolder.
void RestoreProfileFolder();

#endif
