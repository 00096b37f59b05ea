// Win32 parts of the failure report.
#include "platform/failure_report.h"

#include <windows.h>

#include "platform/win32/wide.h"

std::string ExecutableFileName() {
  std::wstring Path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = GetModuleFileNameW(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
    if (Length == 0) return std::string();
    if (Length < Path.size()) {
      const std::wstring_view Full(Path.data(), Length);
      return ToAnsi(Full.substr(Full.find_last_of(L"\\:") + 1));
    }
    Path.resize(Path.size() * 2);
  }
}

uint32_t CodeOffsetInExecutable(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address) -
                               reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr)));
}

std::string ToConsoleCodePage(std::string Text) {
  if (!Text.empty()) CharToOemBuffA(Text.data(), Text.data(), static_cast<DWORD>(Text.size()));
  return Text;
}
