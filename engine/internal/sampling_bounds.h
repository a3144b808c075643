#pragma once

#include <cstdint>

#include "engine/internal/row_kernels.h"

namespace projconv {

// Where the work image lies in the float buffer, in bytes.
struct WorkExtent {
  std::int64_t firstSampleByte;  // offset of the work image's first sample
  std::int64_t bufferBytes;      // size of the whole float buffer
};

// Whether every neighbour that output columns 0 .. columns - 1 of `row` read
// lies wholly inside the float buffer, at an index (from the work image's
// first sample) that fits in 32 bits. Such a row can be sampled without a
// bounds check per sample and with vector gathers. A false answer only costs
// speed: the row is then sampled with checked reads.
bool NeighboursInside(const SamplingRow& row, std::int64_t columns, const WorkExtent& extent);

// At least the highest index (from the work image's first sample) of any
// neighbour that output columns 0 .. columns - 1 of `row` read: the largest
// 64-bit value where the row's positions are too large or not finite to be
// bounded, the smallest where it reads nothing.
std::int64_t HighestNeighbour(const SamplingRow& row, std::int64_t columns);

}  // namespace projconv
