// POSIX: the profile folder is HOME, which child processes inherit.
#include "tests/support/profile.h"

#include <cstdlib>
#include <optional>

static std::optional<std::string> SavedHome;

std::string UseProfileFolder(const std::string& Proposed) {
  if (const char* Home = std::getenv("HOME")) SavedHome = Home;
  setenv("HOME", Proposed.c_str(), 1);
  return Proposed;
}

void RestoreProfileFolder() {
  if (SavedHome)
    setenv("HOME", SavedHome->c_str(), 1);
  else
    unsetenv("HOME");
  SavedHome.reset();
}
