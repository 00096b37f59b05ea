// Path splitting, shared by both platforms.
#include "platform/file_system.h"

#include <cstring>

#include "platform/code_page.h"

// Position just after the last separator, stepping over two-byte characters so
// that a trail byte is never taken for a separator.
static std::size_t SplitPosition(std::string_view Path) {
  const CharSet& LeadBytes = SystemLeadBytes();
  std::size_t Split = 0;
  for (std::size_t Pos = 0; Pos < Path.size(); ++Pos) {
    unsigned char Byte = static_cast<unsigned char>(Path[Pos]);
    if (LeadBytes.Contains(Byte)) {
      ++Pos;
    } else if (Byte != '\0' && std::strchr(PathSplitCharacters, Byte) != nullptr) {
      Split = Pos + 1;
    }
  }
  return Split;
}

std::string DirectoryPart(std::string_view Path) {
  return std::string(Path.substr(0, SplitPosition(Path)));
}

std::string NamePart(std::string_view Path) { return std::string(Path.substr(SplitPosition(Path))); }
