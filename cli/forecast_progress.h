#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/sequence_count.h"

namespace projconv {

// The terminal's progress line with the sequence forecast:
// "12 of 36, 5.1 images/s, 0:05 left, 8.9 MB/s read+written", or without
// "of 36" and the time left while the count is not in.
std::string ForecastProgressText(std::int64_t filesWritten,
                                 const std::optional<SequenceCount>& forecast, double seconds,
                                 double bytesPerImage);

}  // namespace projconv
