#pragma once

#include <optional>
#include <vector>

#include "probe/byte_source.h"
#include "probe/sample_reading.h"

namespace projconv {

// What a reading of the file's samples is like wherever its rows break, and
// so what every geometry whose samples start at the same byte phase shares.
struct ReadingProfile {
  SampleReading reading;
  // Mean absolute deviation of the values. The 16-bit readings all take that of
  // the one with the smoothest neighbours, so that their differences compare
  // as they are: a reading that wraps around is not excused by the wide
  // spread its wrapping makes.
  double spread = 0.0;
  double alongRows = 0.0;  // mean |difference| of neighbouring samples
  double negativeFraction = 0.0;
  double implausibleFraction = 0.0;  // of samples read as NaN
};

// Profiles of `readings` for the samples at byte offsets phase, phase +
// sampleBytes, ..., from stretches spread evenly over the file past where a
// header may lie (all the rest of a small one). None when the source fails.
std::optional<std::vector<ReadingProfile>> ProfileReadings(
    const ByteSource& bytes, int phase, const std::vector<SampleReading>& readings);

}  // namespace projconv
