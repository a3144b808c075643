#include "probe/reading_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace projconv {

namespace {

constexpr std::int64_t kStretches = 256;
constexpr std::int64_t kStretchSamples = 64;
// Where a header might lie, its bytes are no picture; the profile starts
// after it, or after the first half of a small file.
constexpr std::int64_t kSkippedBytes = 64 * 1024;

struct Sums {
  double steps = 0.0;  // |difference| of neighbours
  std::int64_t stepCount = 0;
  std::vector<double> values;  // plausible ones
  std::int64_t negative = 0;
  std::int64_t samples = 0;

  void Add(const std::vector<double>& stretch) {
    for (std::size_t x = 0; x < stretch.size(); ++x) {
      ++samples;
      if (std::isnan(stretch[x])) continue;
      values.push_back(stretch[x]);
      negative += stretch[x] < 0.0;
      if (x + 1 < stretch.size() && !std::isnan(stretch[x + 1])) {
        steps += std::abs(stretch[x + 1] - stretch[x]);
        ++stepCount;
      }
    }
  }

  double MeanDeviation() const {
    if (values.empty()) return 0.0;
    const double count = double(values.size());
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / count;
    double deviation = 0.0;
    for (const double value : values) deviation += std::abs(value - mean);
    return deviation / count;
  }

  ReadingProfile Profile(const SampleReading& reading) const {
    ReadingProfile profile{reading};
    profile.spread = MeanDeviation();
    if (stepCount > 0) profile.alongRows = steps / double(stepCount);
    if (samples > 0) {
      profile.negativeFraction = double(negative) / double(samples);
      profile.implausibleFraction = double(samples - std::int64_t(values.size())) / double(samples);
    }
    return profile;
  }
};

void ShareSmoothestSpread(std::vector<ReadingProfile>& profiles) {
  const auto smoothest =
      std::min_element(profiles.begin(), profiles.end(),
                       [](const auto& a, const auto& b) { return a.alongRows < b.alongRows; });
  const double shared = smoothest->spread;
  for (ReadingProfile& profile : profiles) profile.spread = shared;
}

}  // namespace

std::optional<std::vector<ReadingProfile>> ProfileReadings(
    const ByteSource& bytes, int phase, const std::vector<SampleReading>& readings) {
  std::vector<ReadingProfile> profiles;
  if (readings.empty()) return profiles;
  const int size = readings.front().SampleBytes();
  const auto fileSize = std::int64_t(bytes.Size());
  const std::int64_t skipped = std::min(kSkippedBytes, fileSize / 2) / size * size + phase;
  const std::int64_t samples = fileSize > skipped ? (fileSize - skipped) / size : 0;
  const bool whole = samples <= kStretches * kStretchSamples;
  const std::int64_t stretches = whole ? 1 : kStretches;
  const std::int64_t length = whole ? samples : kStretchSamples;

  std::vector<Sums> sums(readings.size());
  std::vector<unsigned char> stretchBytes(std::size_t(length * size));
  std::vector<double> values;
  for (std::int64_t k = 0; k < stretches; ++k) {
    const std::int64_t first = (samples - length) * k / std::max<std::int64_t>(stretches - 1, 1);
    if (!bytes.CopyAt(std::uint64_t(skipped + first * size), stretchBytes)) return std::nullopt;
    for (std::size_t r = 0; r < readings.size(); ++r) {
      DecodeSamples(stretchBytes, readings[r], values);
      sums[r].Add(values);
    }
  }

  for (std::size_t r = 0; r < readings.size(); ++r) {
    profiles.push_back(sums[r].Profile(readings[r]));
  }
  if (readings.front().sampleType == SampleType::Integer16) ShareSmoothestSpread(profiles);
  return profiles;
}

}  // namespace projconv
