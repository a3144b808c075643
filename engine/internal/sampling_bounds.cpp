// The positions of one output row are an affine function of the column, so
// its extreme positions lie at its two ends (and each step of their
// computation is monotonic in the column, so the computed ones do too). They are computed with a
// handful of roundings; with every term below 2^40 each rounding is off by less than 2^-12, so no
// position strays by as much as 1 from the segment between the two computed ends. Widening that
// segment by 1 on each side bounds every truncated position, and with it every neighbour index, of
// the row.

#include "engine/internal/sampling_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/sample_math.h"

namespace projconv {

namespace {

constexpr double kModerate = 1099511627776.0;    // 2^40
constexpr double kPositionLimit = 1073741824.0;  // 2^30
constexpr std::int64_t kIndexLimit = std::int64_t{1} << 31;

// One lane, for the position formula the kernels use.
struct OneLane {
  using D = double;
  static D Splat(double v) { return v; }
};

struct Span {
  double low, high;
};

struct IndexSpan {
  std::int64_t lowest, highest;
};

Span Widened(double first, double last) {
  return {std::min(first, last) - 1.0, std::max(first, last) + 1.0};
}

bool WithinPositionLimit(Span span) {
  return span.low > -kPositionLimit && span.high < kPositionLimit;
}

// The lowest and highest neighbour index of the row, or none when its
// positions are not finite or too large to bound this way.
std::optional<IndexSpan> NeighbourIndices(const SamplingRow& row, std::int64_t columns) {
  const sample_arithmetic::RowGeometry& g = row.geometry;
  const double lastColumn = static_cast<double>(columns - 1);
  if (!(std::fabs(g.stepX) * lastColumn < kModerate && std::fabs(g.a) < kModerate &&
        std::fabs(g.b) < kModerate))
    return std::nullopt;  // also refuses NaN

  const std::int64_t end = columns - 1;
  const auto first = sample_arithmetic::SourcePosition<OneLane>(g, row.cosDx[0], row.sinDx[0]);
  const auto last = sample_arithmetic::SourcePosition<OneLane>(g, row.cosDx[end], row.sinDx[end]);
  if (!std::isfinite(first.xs) || !std::isfinite(first.ys) || !std::isfinite(last.xs) ||
      !std::isfinite(last.ys))
    return std::nullopt;
  const Span x = Widened(first.xs, last.xs);
  const Span y = Widened(first.ys, last.ys);
  if (!WithinPositionLimit(x) || !WithinPositionLimit(y)) return std::nullopt;

  // Truncation is monotonic, so the neighbours' indices run from that of
  // (x.low, y.low) to one row and one column past that of (x.high, y.high).
  const std::int64_t width = row.width;
  return IndexSpan{TruncToInt64(y.low) * width + TruncToInt64(x.low),
                   TruncToInt64(y.high) * width + TruncToInt64(x.high) + width + 1};
}

}  // namespace

bool NeighboursInside(const SamplingRow& row, std::int64_t columns, const WorkExtent& extent) {
  if (columns <= 0) return true;
  const std::optional<IndexSpan> span = NeighbourIndices(row, columns);
  if (!span) return false;
  const std::int64_t lowest = span->lowest;
  const std::int64_t highest = span->highest;
  if (lowest <= -kIndexLimit || highest - row.width - 1 >= kIndexLimit) return false;
  return extent.firstSampleByte + 4 * lowest >= 0 &&
         extent.firstSampleByte + 4 * highest + 4 <= extent.bufferBytes;
}

std::int64_t HighestNeighbour(const SamplingRow& row, std::int64_t columns) {
  if (columns <= 0) return std::numeric_limits<std::int64_t>::min();
  const std::optional<IndexSpan> span = NeighbourIndices(row, columns);
  return span ? span->highest : std::numeric_limits<std::int64_t>::max();
}

}  // namespace projconv
