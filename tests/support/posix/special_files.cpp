// POSIX FIFOs and symbolic links for the hostile-tree tests.
#include "tests/support/special_files.h"

#include <sys/stat.h>
#include <unistd.h>

bool MakeFifo(const std::string& Path) { return mkfifo(Path.c_str(), 0644) == 0; }

bool MakeLink(const std::string& Target, const std::string& Link) {
  return symlink(Target.c_str(), Link.c_str()) == 0;
}
