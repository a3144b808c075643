#pragma once

#include <cmath>
#include <cstdint>

namespace projconv {

// The conversion truncates every floating-point result toward zero into a
// 64-bit integer and then keeps its low bits. C++ leaves a cast of NaN or of an
// out-of-range value undefined, so every such conversion goes through here.

// trunc(v) as a 64-bit integer; NaN and magnitudes of 2^63 or more give 0.
inline std::int64_t TruncToInt64(double v) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(v > -kLimit && v < kLimit)) return 0;       // also catches NaN
  return static_cast<std::int64_t>(v);
}

// Low 32 bits of trunc(v), read as a signed value (coordinates and weights).
inline std::int32_t TruncToInt32Bits(double v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(TruncToInt64(v)));
}

// Low 16 bits of trunc(v): an output sample, wrapped, never clamped.
inline std::uint16_t TruncToSample16(double v) {
  return static_cast<std::uint16_t>(static_cast<std::uint64_t>(TruncToInt64(v)));
}

// 32-bit two's-complement wrap of an exact integer result.
inline std::int32_t Wrap32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

}  // namespace projconv
