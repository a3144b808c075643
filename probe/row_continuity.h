#pragma once

#include <optional>
#include <vector>

#include "probe/byte_source.h"
#include "probe/row_sampling.h"
#include "probe/sample_geometry.h"
#include "probe/sample_reading.h"

namespace projconv {

// How well the sampled rows of a geometry continue in the rows below them,
// in one reading: the mean |difference| of the two rows' means over blocks
// of a few samples. Averaging keeps the picture and takes most of the noise
// away. Noise is the same whatever the geometry, and left in it would drown
// the difference between the next row and the row after it, which is what a
// picture read twice too wide compares.
struct RowContinuity {
  double down = 0.0;  // from one picture row to the next
  // From the header's last row's worth of bytes to the first row; -1: none.
  double acrossHeader = -1.0;
};

// The continuity of each of `readings` of `geometry`, all on the same rows.
// Pairs of rows that hold one flat value say nothing (a header of zeros read
// as picture would otherwise look smooth) and are left out. None when the
// source fails.
std::optional<std::vector<RowContinuity>> MeasureRowContinuity(
    const ByteSource& bytes, const SampleGeometry& geometry,
    const std::vector<SampleReading>& readings, const SamplingPlan& plan);

}  // namespace projconv
