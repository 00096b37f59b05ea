// POSIX parts of the failure report.
#include "platform/failure_report.h"

#include <unistd.h>
#include <vector>

#include "platform/file_system.h"

// Defined by the linker at the first byte of the loaded executable.
extern "C" const char __executable_start[];

std::string ExecutableFileName() {
  std::vector<char> Path(256);
  for (;;) {
    ssize_t Length = readlink("/proc/self/exe", Path.data(), Path.size());
    if (Length <= 0) return std::string();
    if (static_cast<std::size_t>(Length) < Path.size())
      return NamePart(std::string_view(Path.data(), static_cast<std::size_t>(Length)));
    Path.resize(Path.size() * 2);
  }
}

uint32_t CodeOffsetInExecutable(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address) -
                               reinterpret_cast<uintptr_t>(__executable_start));
}

std::string ToConsoleCodePage(std::string Text) { return Text; }
