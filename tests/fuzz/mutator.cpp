#include "tests/fuzz/mutator.h"

#include <algorithm>
#include <array>

#include "tests/fuzz/fuzz_input.h"

namespace projconv {

namespace fuzz {
namespace {

constexpr std::array<std::uint8_t, 12> kInterestingBytes{0x00, 0x01, 0x02, 0x03, 0x40, 0x7F,
                                                         0x80, 0xEF, 0xF0, 0xF3, 0xFE, 0xFF};

constexpr std::array<std::uint32_t, 14> kInterestingWords{
    0x7FC00000,  // NaN
    0x7F800000,  // +infinity
    0xFF800000,  // -infinity
    0x43340000,  // 180.0f
    0x43340001,  // just above 180
    0xC3340000,  // -180.0f
    0x3A83126F,  // 0.001f
    0x3A83126E,  // just below 0.001f
    0x3F800000,  // 1.0f
    0x7FFFFFFF,  // the ends of the 32-bit range
    0x80000000,
    0x7F7FFFFF,  // FLT_MAX
    0x00000001,  // smallest denormal
    0x0001FFFF,  // coordinate -1 in the 16-bit form
};

}  // namespace

Input Mutator::Mutate(const Input& input, const Input& other) {
  Input bytes = input;
  const std::uint32_t rounds = 1 + Below(4);
  for (std::uint32_t k = 0; k < rounds; ++k) MutateOnce(bytes, other);
  return bytes;
}

void Mutator::MutateOnce(Input& bytes, const Input& other) {
  if (bytes.size() < kHeaderBytes) bytes.resize(kHeaderBytes, 0);
  const std::uint32_t size = std::uint32_t(bytes.size());
  switch (Below(7)) {
    case 0:
      bytes[Below(size)] ^= std::uint8_t(1u << Below(8));
      break;
    case 1:
      bytes[Below(size)] = std::uint8_t(random_());
      break;
    case 2:
      bytes[Below(kHeaderBytes)] = kInterestingBytes[Below(kInterestingBytes.size())];
      break;
    case 3: {
      // One of the header's 32-bit fields, from the start number on.
      const std::uint32_t at = 12 + 4 * Below((kHeaderBytes - 12) / 4);
      const std::uint32_t word = kInterestingWords[Below(kInterestingWords.size())];
      for (int b = 0; b < 4; ++b) bytes[at + b] = std::uint8_t(word >> (8 * b));
      break;
    }
    case 4: {
      const std::uint32_t count = 1 + Below(16);
      Input inserted(count);
      for (auto& b : inserted) b = std::uint8_t(random_());
      bytes.insert(bytes.begin() + Below(size + 1), inserted.begin(), inserted.end());
      break;
    }
    case 5: {
      const std::uint32_t at = Below(size);
      const std::uint32_t count = std::min(size - at, 1 + Below(16));
      bytes.erase(bytes.begin() + at, bytes.begin() + at + count);
      break;
    }
    default: {
      if (other.empty()) break;
      const std::uint32_t from = Below(std::uint32_t(other.size()));
      const std::uint32_t count = std::min(std::uint32_t(other.size()) - from, 1 + Below(64));
      const std::uint32_t at = Below(size);
      bytes.resize(std::max<std::size_t>(bytes.size(), at + count));
      std::copy_n(other.begin() + from, count, bytes.begin() + at);
      break;
    }
  }
}

}  // namespace fuzz

}  // namespace projconv
