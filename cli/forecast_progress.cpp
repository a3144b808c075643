#include "cli/forecast_progress.h"

#include <cstdio>

#include "engine/forecast_text.h"

namespace projconv {

std::string ForecastProgressText(std::int64_t filesWritten,
                                 const std::optional<SequenceCount>& forecast, double seconds,
                                 double bytesPerImage) {
  const double megabytes = double(filesWritten) * bytesPerImage / 1e6;
  char rate[64];
  std::snprintf(rate, sizeof rate, ", %.1f MB/s read+written",
                seconds > 0.0 ? megabytes / seconds : 0.0);
  return ForecastText(filesWritten, forecast, seconds) + rate;
}

}  // namespace projconv
