// Files that a hostile tree may hold and that not every system can make.
#ifndef MORVELLAN_TESTS_SUPPORT_SPECIAL_FILES_H
#define MORVELLAN_TESTS_SUPPORT_SPECIAL_FILES_H

#include <string>

/// Makes a FIFO at Path; false where the system has none (Windows).
bool MakeFifo(const std::string& Path);
/// Makes Link a symbolic link to Target; false where the system refuses.
bool MakeLink(const std::string& Target, const std::string& Link);

#endif
