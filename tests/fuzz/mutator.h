#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace projconv {

namespace fuzz {

using Input = std::vector<std::uint8_t>;

// Blind mutations for the driver that runs where libFuzzer is not available:
// bit flips, byte and word replacements with values that matter to the case
// format (odd sizes, NaN, infinities, +-180, the 32-bit ends), insertions,
// deletions and splices with another input. Deterministic for a given engine.
class Mutator {
 public:
  explicit Mutator(std::uint32_t seed) : random_(seed) {}

  // A variant of `input`, with `other` as material for splices.
  Input Mutate(const Input& input, const Input& other);

 private:
  std::uint32_t Below(std::uint32_t limit) { return limit == 0 ? 0 : random_() % limit; }
  void MutateOnce(Input& bytes, const Input& other);

  std::mt19937 random_;
};

}  // namespace fuzz

}  // namespace projconv
