#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "probe/byte_source.h"
#include "probe/sample_geometry.h"

namespace projconv {

// How closely a geometry is looked at: a bounded number of rows, so that a
// large file costs no more than a small one.
struct SamplingPlan {
  int spreadRows;  // rows at even steps through the file
  int topRows;     // at most this many rows from the top, where a wrong header shows
  int segment;     // at most this many samples of each row
};

// Enough to tell the few likely geometries from the many others...
inline constexpr SamplingPlan kQuickLook{16, 8, 128};
// ...and enough to rank those few.
inline constexpr SamplingPlan kCloseLook{64, 48, 512};

// A stretch of a row compared with the same stretch of the row below.
struct SampledStretch {
  std::int64_t row;
  std::int64_t column;
  bool operator==(const SampledStretch&) const = default;
};

// The stretches a geometry is judged by, by row. The top rows are taken from
// their start, where a header read as picture ends. The others start at
// bytes at even steps through the file, so that every geometry compares the
// same parts of the picture with what it takes for the rows below.
std::vector<SampledStretch> SampledStretches(const SampleGeometry& geometry, std::uint64_t fileSize,
                                             const SamplingPlan& plan);

enum class RowPairPlace {
  Picture,       // a row of the picture and the row below it
  AcrossHeader,  // the header's last row's worth of bytes and the picture's first row
};

using RowPairVisitor = std::function<void(RowPairPlace, std::span<const unsigned char> upper,
                                          std::span<const unsigned char> lower)>;

// Hands `visit` the bytes of each sampled stretch and of the same stretch of
// the row below, and across the header when it holds a row's worth of bytes.
// False when the source cannot deliver the bytes.
bool VisitSampledRowPairs(const ByteSource& bytes, const SampleGeometry& geometry,
                          const SamplingPlan& plan, const RowPairVisitor& visit);

}  // namespace projconv
