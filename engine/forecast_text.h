#pragma once

// The progress line built on a sequence's count, in plain text, so that the
// terminal and the dialog say the same thing.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/sequence_count.h"

namespace projconv {

// "12 of 36, 5.1 images/s, 0:05 left" after `done` files in `seconds`; the
// count may still be unknown ("12 written, 5.1 images/s"), capped ("12 of
// 100000+"), or overtaken by the batch ("40 written, forecast 36").
std::string ForecastText(std::int64_t done, const std::optional<SequenceCount>& total,
                         double seconds);

// "0:05", "12:34", "1:02:03"; fractions of a second round up.
std::string DurationText(double seconds);

}  // namespace projconv
