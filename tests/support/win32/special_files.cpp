// Windows has no FIFOs in its file system; links need a privilege that a test cannot count on.
#include "tests/support/special_files.h"

bool MakeFifo(const std::string&) { return false; }

bool MakeLink(const std::string&, const std::string&) { return false; }
