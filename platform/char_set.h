// A set of byte values 0 to 255, held as a 256-bit membership table.
#ifndef MORVELLAN_PLATFORM_CHAR_SET_H
#define MORVELLAN_PLATFORM_CHAR_SET_H

#include <cstdint>
#include <initializer_list>

class CharSet {
 public:
  constexpr CharSet() = default;
  constexpr CharSet(std::initializer_list<unsigned char> Members) {
    for (unsigned char Member : Members) Add(Member);
  }

  constexpr bool Contains(unsigned char Byte) const {
    return (Words[Byte >> 6] >> (Byte & 63)) & 1;
  }
  constexpr void Add(unsigned char Byte) { Words[Byte >> 6] |= uint64_t{1} << (Byte & 63); }
  /// Adds every byte from Low up to High; adds nothing when High is below Low.
  constexpr void AddRange(unsigned char Low, unsigned char High) {
    for (unsigned Byte = Low; Byte <= High; ++Byte) Add(static_cast<unsigned char>(Byte));
  }
  constexpr bool IsEmpty() const { return (Words[0] | Words[1] | Words[2] | Words[3]) == 0; }

 private:
  uint64_t Words[4] = {};
};

#endif
