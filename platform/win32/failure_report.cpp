// Win32 parts of the failure report.
#include "platform/failure_report.h"

#include <windows.h>
#include <vector>

#include "platform/file_system.h"

std::string ExecutableFileName() {
  std::vector<char> Path(MAX_PATH);
  for (;;) {
    DWORD Length = GetModuleFileNameA(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
    if (Length == 0) return std::string();
    if (Length < Path.size()) return NamePart(std::string_view(Path.data(), Length));
    Path.resize(Path.size() * 2);
  }
}

uint32_t CodeOffsetInExecutable(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address) -
                               reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
}

std::string ToConsoleCodePage(std::string Text) {
  if (!Text.empty()) CharToOemBuffA(Text.data(), Text.data(), static_cast<DWORD>(Text.size()));
  return Text;
}
