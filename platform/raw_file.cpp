// Error texts, shared by both platforms.
#include "platform/raw_file.h"

std::string SystemErrorText(int Code) {
  std::string Text = SystemMessage(Code);
  while (!Text.empty() && (static_cast<unsigned char>(Text.back()) <= 0x20 || Text.back() == '.'))
    Text.pop_back();
  return Text;
}
