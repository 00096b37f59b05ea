// POSIX arguments: argv as the system hands it, empty arguments skipped.
#include "platform/arguments.h"

#include "platform/file_system.h"

const bool SlashOptions = false;

static std::vector<std::string> Arguments;
static std::string CalledAs;

void SetProgramArguments(int Count, char** Values) {
  Arguments.clear();
  CalledAs = Count > 0 ? NamePart(Values[0]) : std::string();
  for (int Index = 1; Index < Count; ++Index)
    if (Values[Index][0] != '\0') Arguments.emplace_back(Values[Index]);
}

int ArgumentCount() { return static_cast<int>(Arguments.size()); }

std::string ArgumentAt(int Index) {
  if (Index < 1 || Index > ArgumentCount()) return std::string();
  return Arguments[Index - 1];
}

// Bytes are bytes here: every argument is exactly what the system handed over.
bool ArgumentInCodePage(int) { return true; }

std::string ProgramName() { return CalledAs; }
