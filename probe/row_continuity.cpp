#include "probe/row_continuity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace projconv {

namespace {

constexpr std::size_t kBlockSamples = 16;

struct Sum {
  double total = 0.0;
  std::int64_t count = 0;
  double Mean(double none) const { return count > 0 ? total / double(count) : none; }
};

bool OneFlatValue(const std::vector<double>& upper, const std::vector<double>& lower) {
  const auto differs = [first = upper.front()](double value) { return value != first; };
  return std::none_of(upper.begin(), upper.end(), differs) &&
         std::none_of(lower.begin(), lower.end(), differs);
}

// |Differences| of block means, NaN blocks left out.
void AddBlockDifferences(Sum& sum, const std::vector<double>& upper,
                         const std::vector<double>& lower) {
  const std::size_t block = std::min(kBlockSamples, upper.size());
  for (std::size_t start = 0; start + block <= upper.size(); start += block) {
    double difference = 0.0;
    for (std::size_t x = start; x < start + block; ++x) difference += upper[x] - lower[x];
    difference /= double(block);
    if (std::isnan(difference)) continue;
    sum.total += std::abs(difference);
    ++sum.count;
  }
}

// The sums of every reading, fed one pair of rows at a time.
class ContinuitySums {
 public:
  explicit ContinuitySums(const std::vector<SampleReading>& readings)
      : readings_(readings), down_(readings.size()), acrossHeader_(readings.size()) {}

  void Add(RowPairPlace place, std::span<const unsigned char> upperBytes,
           std::span<const unsigned char> lowerBytes) {
    for (std::size_t r = 0; r < readings_.size(); ++r) {
      DecodeSamples(upperBytes, readings_[r], upper_);
      DecodeSamples(lowerBytes, readings_[r], lower_);
      if (upper_.empty()) continue;
      if (place == RowPairPlace::AcrossHeader) {
        AddBlockDifferences(acrossHeader_[r], upper_, lower_);
      } else if (!OneFlatValue(upper_, lower_)) {
        AddBlockDifferences(down_[r], upper_, lower_);
      }
    }
  }

  std::vector<RowContinuity> Continuity() const {
    std::vector<RowContinuity> continuity;
    for (std::size_t r = 0; r < readings_.size(); ++r) {
      continuity.push_back({down_[r].Mean(0.0), acrossHeader_[r].Mean(-1.0)});
    }
    return continuity;
  }

 private:
  const std::vector<SampleReading>& readings_;
  std::vector<Sum> down_, acrossHeader_;
  std::vector<double> upper_, lower_;
};

}  // namespace

std::optional<std::vector<RowContinuity>> MeasureRowContinuity(
    const ByteSource& bytes, const SampleGeometry& geometry,
    const std::vector<SampleReading>& readings, const SamplingPlan& plan) {
  ContinuitySums sums(readings);
  const bool read = VisitSampledRowPairs(
      bytes, geometry, plan,
      [&sums](RowPairPlace place, auto upper, auto lower) { sums.Add(place, upper, lower); });
  if (!read) return std::nullopt;
  return sums.Continuity();
}

}  // namespace projconv
