#include "probe/row_sampling.h"

#include <algorithm>

namespace projconv {

namespace {

// The top rows cover this much of the file after the header, as far as the
// plan allows, so that a header read as picture rows is seen whole with the
// row after it.
constexpr std::int64_t kTopBytes = 8192;

std::int64_t SegmentLength(const SampleGeometry& geometry, const SamplingPlan& plan) {
  return std::min(geometry.width, std::int64_t(plan.segment));
}

}  // namespace

std::vector<SampledStretch> SampledStretches(const SampleGeometry& geometry, std::uint64_t fileSize,
                                             const SamplingPlan& plan) {
  const std::int64_t lastPair = geometry.height - 2;
  if (lastPair < 0) return {};
  const std::int64_t rowBytes = geometry.RowBytes();
  const std::int64_t top = std::min(
      {std::int64_t(plan.topRows), (kTopBytes + rowBytes - 1) / rowBytes + 1, lastPair + 1});
  const std::int64_t lastColumn = geometry.width - SegmentLength(geometry, plan);
  std::vector<SampledStretch> stretches;
  for (std::int64_t row = 0; row < top; ++row) stretches.push_back({row, 0});
  // A picture that leaves bytes over at the end of the file is sampled as far
  // as it reaches.
  const std::int64_t end =
      std::min(std::int64_t(fileSize), geometry.headerLen + geometry.height * geometry.RowBytes());
  for (int k = 0; k < plan.spreadRows && top <= lastPair; ++k) {
    const auto at = std::int64_t(double(end) * (2 * k + 1) / (2 * plan.spreadRows));
    const std::int64_t sample =
        std::max<std::int64_t>(at - geometry.headerLen, 0) / geometry.sampleBytes;
    const std::int64_t row = sample / geometry.width;
    if (row < top || row > lastPair) continue;
    stretches.push_back({row, std::min(sample % geometry.width, lastColumn)});
  }
  stretches.erase(std::unique(stretches.begin(), stretches.end()), stretches.end());
  return stretches;
}

bool VisitSampledRowPairs(const ByteSource& bytes, const SampleGeometry& geometry,
                          const SamplingPlan& plan, const RowPairVisitor& visit) {
  const std::int64_t rowBytes = geometry.RowBytes();
  std::vector<unsigned char> upper(
      std::size_t(SegmentLength(geometry, plan) * geometry.sampleBytes));
  std::vector<unsigned char> lower(upper.size());
  const auto visitPair = [&](RowPairPlace place, SampledStretch stretch) {
    const std::int64_t at =
        geometry.headerLen + stretch.row * rowBytes + stretch.column * geometry.sampleBytes;
    if (!bytes.CopyAt(std::uint64_t(at), upper) ||
        !bytes.CopyAt(std::uint64_t(at + rowBytes), lower)) {
      return false;
    }
    visit(place, upper, lower);
    return true;
  };
  if (geometry.headerLen >= rowBytes && !visitPair(RowPairPlace::AcrossHeader, {-1, 0})) {
    return false;
  }
  for (const SampledStretch& stretch : SampledStretches(geometry, bytes.Size(), plan)) {
    if (!visitPair(RowPairPlace::Picture, stretch)) return false;
  }
  return true;
}

}  // namespace projconv
