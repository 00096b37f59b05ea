// CVS's own reading of a .cvsignore pattern, which a name must satisfy besides the mask.
#ifndef MORVELLAN_IGNORE_CVS_PATTERN_H
#define MORVELLAN_IGNORE_CVS_PATTERN_H

#include <string_view>

/// Whether CVS, matching .cvsignore patterns as fnmatch(Pattern, Name, 0) does in the C locale,
/// finds that Name matches Pattern. With IgnoreCase the letters A to Z and a to z compare alike
/// on both sides (Windows, as CVSNT compares names). Pattern and Name end at their first NUL.
/// Where this reading is unsure of CVS's answer it says no: a false answer only keeps a name.
bool CvsPatternMatches(std::string_view Pattern, std::string_view Name, bool IgnoreCase);

#endif
