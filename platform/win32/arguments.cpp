// Win32 arguments: cut from GetCommandLineW by the program's own rules, not the C runtime's, which
// treat backslashes before quotes differently, and each made ANSI without a look-alike.
#include "platform/arguments.h"

#include <windows.h>

#include "platform/file_system.h"
#include "platform/text.h"
#include "platform/win32/wide.h"

const bool SlashOptions = true;

struct TArgument {
  std::string Text;
  bool InCodePage = true;
};

// The program's name first, then its arguments.
static const std::vector<TArgument>& Arguments() {
  static const std::vector<TArgument> Cut = [] {
    std::vector<TArgument> All;
    for (const std::wstring& Wide : CutCommandLine(std::wstring_view(GetCommandLineW()))) {
      TArgument Argument;
      Argument.Text = ToAnsi(Wide, &Argument.InCodePage);
      All.push_back(std::move(Argument));
    }
    return All;
  }();
  return Cut;
}

void SetProgramArguments(int, char**) {}

int ArgumentCount() { return Arguments().empty() ? 0 : static_cast<int>(Arguments().size()) - 1; }

std::string ArgumentAt(int Index) {
  if (Index < 1 || Index > ArgumentCount()) return std::string();
  return Arguments()[Index].Text;
}

bool ArgumentInCodePage(int Index) {
  return Index < 1 || Index > ArgumentCount() || Arguments()[Index].InCodePage;
}

// The name the user types: a command line may spell the program with its ".exe".
std::string ProgramName() {
  if (Arguments().empty()) return std::string();
  std::string Name = NamePart(Arguments().front().Text);
  if (Name.size() > 4 && LowerAscii(std::string_view(Name).substr(Name.size() - 4)) == ".exe")
    Name.resize(Name.size() - 4);
  return Name;
}
