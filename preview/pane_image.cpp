#include "preview/pane_image.h"

#include <algorithm>
#include <cmath>

#include "engine/sample_math.h"

namespace projconv {

namespace {

// More values than this only make the percentiles slower, not better.
constexpr std::size_t kMostWindowValues = std::size_t(1) << 20;

int StepFor(int width, int height, int maxSide) {
  const int side = std::max(width, height);
  if (maxSide <= 0 || side <= maxSide) return 1;
  return (side + maxSide - 1) / maxSide;
}

double ValueAtRank(std::vector<double>& values, std::size_t rank) {
  std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(rank), values.end());
  return values[rank];
}

}  // namespace

DisplayWindow PercentileWindow(std::vector<double> values) {
  std::erase_if(values, [](double v) { return !std::isfinite(v); });
  if (values.empty()) return {};
  const std::size_t last = values.size() - 1;
  const auto rank = [last](double fraction) {
    return std::size_t(TruncToInt64(std::floor(fraction * double(last) + 0.5)));
  };
  DisplayWindow window{ValueAtRank(values, rank(0.005)), ValueAtRank(values, rank(0.995))};
  if (!(window.high > window.low)) {
    const double only = window.low;
    window = {only - 0.5, only + 0.5};
  }
  return window;
}

std::uint8_t GrayLevel(double value, const DisplayWindow& window) {
  if (std::isnan(value)) return 0;
  const double level = (value - window.low) / (window.high - window.low) * 255.0;
  const double clamped = std::clamp(level, 0.0, 255.0);
  return std::uint8_t(TruncToInt64(clamped + 0.5));
}

PaneImage MakePaneImage(int width, int height, const std::function<double(std::uint64_t)>& value,
                        int maxSide) {
  PaneImage pane;
  pane.sampleWidth = std::max(width, 0);
  pane.sampleHeight = std::max(height, 0);
  pane.step = StepFor(pane.sampleWidth, pane.sampleHeight, maxSide);
  const int step = pane.step;
  pane.gray.width = (pane.sampleWidth + step - 1) / step;
  pane.gray.height = (pane.sampleHeight + step - 1) / step;

  const std::uint64_t rowLength = std::uint64_t(pane.sampleWidth);
  // Floats hold every 16-bit and every float sample exactly, in half the room.
  std::vector<float> shown;
  shown.reserve(std::size_t(pane.gray.width) * std::size_t(pane.gray.height));
  for (int v = 0; v < pane.gray.height; ++v) {
    for (int u = 0; u < pane.gray.width; ++u) {
      shown.push_back(static_cast<float>(value(std::uint64_t(v) * std::uint64_t(step) * rowLength +
                                               std::uint64_t(u) * std::uint64_t(step))));
    }
  }

  // The read-out covers every sample, not only those shown.
  const std::uint64_t count = rowLength * std::uint64_t(pane.sampleHeight);
  for (std::uint64_t k = 0; k < count; ++k) {
    const double v = step == 1 ? shown[std::size_t(k)] : value(k);
    if (!std::isfinite(v)) continue;
    pane.min = pane.anyFinite ? std::min(pane.min, v) : v;
    pane.max = pane.anyFinite ? std::max(pane.max, v) : v;
    pane.anyFinite = true;
  }

  std::vector<double> sampled;
  const std::size_t stride = shown.size() / kMostWindowValues + 1;
  for (std::size_t k = 0; k < shown.size(); k += stride) sampled.push_back(shown[k]);
  pane.window = PercentileWindow(std::move(sampled));

  pane.gray.pixels.resize(shown.size());
  std::ranges::transform(shown, pane.gray.pixels.begin(),
                         [&](float v) { return GrayLevel(v, pane.window); });
  return pane;
}

}  // namespace projconv
