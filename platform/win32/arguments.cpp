// Win32 arguments: cut from GetCommandLineA by the program's own rules, not
// the C runtime's, which treat backslashes before quotes differently.
#include "platform/arguments.h"

#include <windows.h>

#include "platform/code_page.h"

const bool SlashOptions = true;

static const std::vector<std::string>& Arguments() {
  static const std::vector<std::string> Cut = [] {
    std::vector<std::string> All = CutCommandLine(GetCommandLineA(), SystemLeadBytes());
    if (!All.empty()) All.erase(All.begin());  // the program's own name
    return All;
  }();
  return Cut;
}

void SetProgramArguments(int, char**) {}

int ArgumentCount() { return static_cast<int>(Arguments().size()); }

std::string ArgumentAt(int Index) {
  if (Index < 1 || Index > ArgumentCount()) return std::string();
  return Arguments()[Index - 1];
}
