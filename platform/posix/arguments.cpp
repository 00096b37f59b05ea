// POSIX arguments: argv as the system hands it, empty arguments skipped.
#include "platform/arguments.h"

const bool SlashOptions = false;

static std::vector<std::string> Arguments;

void SetProgramArguments(int Count, char** Values) {
  Arguments.clear();
  for (int Index = 1; Index < Count; ++Index)
    if (Values[Index][0] != '\0') Arguments.emplace_back(Values[Index]);
}

int ArgumentCount() { return static_cast<int>(Arguments.size()); }

std::string ArgumentAt(int Index) {
  if (Index < 1 || Index > ArgumentCount()) return std::string();
  return Arguments[Index - 1];
}
