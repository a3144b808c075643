#pragma once

#include <cstdint>

namespace projconv {

// Where the samples of a candidate layout lie in the file, before anyone
// decides how the bytes of a sample are read.
struct SampleGeometry {
  int sampleBytes = 2;  // 2 for 16-bit integers, 4 for floats
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t headerLen = 0;

  std::int64_t RowBytes() const { return width * sampleBytes; }
  bool operator==(const SampleGeometry&) const = default;
};

}  // namespace projconv
