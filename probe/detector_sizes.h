#pragma once

#include <array>
#include <cstdint>

namespace projconv {

// Image sides that detectors and their software commonly produce. A layout
// with such sides is preferred when the picture alone cannot tell; the list
// also suggests header lengths for sizes that leave a few bytes over.
inline constexpr std::array<std::int64_t, 44> kCommonSides{
    64,   128,  192,  200,  240,  256,  288,  300,  320,  384,  400,  480,  500,  512,  576,
    600,  640,  720,  768,  800,  960,  1000, 1024, 1080, 1200, 1280, 1500, 1536, 1920, 2000,
    2048, 2304, 2400, 2500, 2560, 2880, 3000, 3072, 3840, 4000, 4096, 4800, 6144, 8192};

// Header lengths that file formats commonly reserve.
inline constexpr std::array<std::int64_t, 11> kCommonHeaders{0,   8,   16,   32,   64,  128,
                                                             256, 512, 1024, 2048, 4096};

constexpr bool IsCommonSide(std::int64_t side) {
  for (const std::int64_t common : kCommonSides) {
    if (side == common) return true;
  }
  return false;
}

constexpr bool IsCommonHeader(std::int64_t length) {
  for (const std::int64_t common : kCommonHeaders) {
    if (length == common) return true;
  }
  return false;
}

}  // namespace projconv
