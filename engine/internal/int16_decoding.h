#pragma once

#include <cstdint>
#include <cstring>

namespace projconv {

// Turns `count` 16-bit samples as read from a file into the values the
// transform works on, in place: bytes swapped from big-endian first, then
// unsigned samples halved, so that they fit the signed range.
inline void DecodeInt16Samples(unsigned char* at, std::int64_t count, bool swap, bool halve) {
  for (std::int64_t k = 0; k < count; ++k) {
    std::uint16_t v;
    std::memcpy(&v, at + 2 * k, sizeof v);
    if (swap) v = static_cast<std::uint16_t>((v << 8) | (v >> 8));
    if (halve) v = static_cast<std::uint16_t>(v >> 1);
    std::memcpy(at + 2 * k, &v, sizeof v);
  }
}

}  // namespace projconv
