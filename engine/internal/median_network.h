#pragma once

// The median of each sample position across n frames, many positions at
// once. Each value becomes an integer key in the order the median needs
// (ascending, -0 before +0, every NaN after every number and all NaNs alike),
// and a sorting network of min/max steps, the same for every lane, sorts the
// keys of all lanes together: no branch depends on a value, so the lanes run
// in vector registers. Only the middle keys are turned back into values.
//
// The network is Batcher's odd-even merge sort for the next power of two,
// with every step that only touches positions at or beyond n left out:
// those would hold keys above every real one, which no step would move.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace projconv {

namespace median_network {

// Frames up to this many are sorted by the network; more take the plain way.
inline constexpr int kMostFrames = 128;

struct Step {
  std::uint8_t low, high;
};

// The steps for n frames, n <= kMostFrames.
inline std::vector<Step> StepsFor(int n) {
  int size = 1;
  while (size < n) size *= 2;
  std::vector<Step> steps;
  for (int p = 1; p < size; p *= 2) {
    for (int k = p; k >= 1; k /= 2) {
      for (int j = k % p; j + k < size; j += 2 * k) {
        for (int i = 0; i < k && i + j + k < size; ++i) {
          const int a = i + j, b = i + j + k;
          if (a / (2 * p) == b / (2 * p) && b < n)
            steps.push_back({std::uint8_t(a), std::uint8_t(b)});
        }
      }
    }
  }
  return steps;
}

// The key of a float, and back.
inline std::int32_t KeyOf(float value) {
  if (std::isnan(value)) return 0x7fc00000;
  std::int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits < 0 ? bits ^ 0x7fffffff : bits;
}

inline float ValueOf(std::int32_t key) {
  const std::int32_t bits = key < 0 ? key ^ 0x7fffffff : key;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The median from sorted keys.
inline double MedianOfSorted(const std::int32_t* keys, int n) {
  if (n % 2 == 1) return ValueOf(keys[n / 2]);
  return (double(ValueOf(keys[n / 2 - 1])) + double(ValueOf(keys[n / 2]))) / 2.0;
}

// Positions 0 .. count - 1 of `frames` (frame f's values start at
// frames + f * stride), n <= kMostFrames, into out. K supplies kWidth lanes
// of int32 keys: KeysOf(const float*), Load(const std::int32_t*),
// Store(std::int32_t*, V), Min, Max. Returns how many positions it did, a
// multiple of kWidth.
template <class K>
std::int64_t MedianAcross(const float* frames, std::int64_t stride, int n,
                          const std::vector<Step>& steps, std::int64_t count, double* out) {
  constexpr int W = K::kWidth;
  alignas(64) std::int32_t keys[kMostFrames][W];
  std::int64_t c = 0;
  for (; c + W <= count; c += W) {
    for (int f = 0; f < n; ++f) K::Store(keys[f], K::KeysOf(frames + f * stride + c));
    for (const Step& step : steps) {
      const auto a = K::Load(keys[step.low]), b = K::Load(keys[step.high]);
      K::Store(keys[step.low], K::Min(a, b));
      K::Store(keys[step.high], K::Max(a, b));
    }
    for (int lane = 0; lane < W; ++lane) {
      std::int32_t sorted[kMostFrames];
      sorted[n / 2] = keys[n / 2][lane];
      if (n % 2 == 0) sorted[n / 2 - 1] = keys[n / 2 - 1][lane];
      out[c + lane] = MedianOfSorted(sorted, n);
    }
  }
  return c;
}

}  // namespace median_network

}  // namespace projconv
