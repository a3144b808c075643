#include "engine/forecast_text.h"

#include <cmath>
#include <cstdio>

#include "engine/sample_math.h"

namespace projconv {

std::string DurationText(double seconds) {
  const std::int64_t whole = seconds > 0 ? TruncToInt64(std::ceil(seconds)) : 0;
  char text[48];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(whole / 3600),
                  static_cast<long long>(whole / 60 % 60), static_cast<long long>(whole % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60));
  }
  return text;
}

std::string ForecastText(std::int64_t done, const std::optional<SequenceCount>& total,
                         double seconds) {
  const double rate = seconds > 0 && done > 0 ? double(done) / seconds : 0.0;
  char rateText[48];
  std::snprintf(rateText, sizeof rateText, "%.1f images/s", rate);
  const std::string written = std::to_string(done);
  if (!total) return written + " written, " + rateText;
  const std::string files = std::to_string(total->files);
  if (done > total->files) return written + " written, forecast " + files + ", " + rateText;

  const std::string of = written + " of " + files + (total->capped ? "+" : "") + ", " + rateText;
  if (rate <= 0) return of;
  const std::string left = DurationText(double(total->files - done) / rate);
  return of + ", " + (total->capped ? "at least " : "") + left + " left";
}

}  // namespace projconv
