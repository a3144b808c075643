#pragma once

// The picture of one image for a preview pane: its samples mapped to grey
// levels through a window that adapts to the image, reduced by whole steps
// when the image is larger than the pane can use.

#include <cstdint>
#include <functional>
#include <vector>

namespace projconv {

// Values from `low` (black) to `high` (white); beyond them the grey saturates.
struct DisplayWindow {
  double low = 0.0;
  double high = 1.0;
  bool operator==(const DisplayWindow&) const = default;
};

struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // row by row, one byte a pixel
};

struct PaneImage {
  int sampleWidth = 0;  // size of the image in samples
  int sampleHeight = 0;
  int step = 1;    // samples per picture pixel, in both directions
  GrayImage gray;  // pixel (u, v) shows sample (u * step, v * step)
  DisplayWindow window;
  double min = 0.0;  // over every finite sample of the image
  double max = 0.0;
  bool anyFinite = false;  // false when every sample is NaN or infinite
};

// The window from the 0.5th to the 99.5th percentile of the finite values,
// widened to one unit around them when they are all the same.
DisplayWindow PercentileWindow(std::vector<double> values);

// The grey level of `value` through `window`: 0 to 255, rounded; NaN is 0.
std::uint8_t GrayLevel(double value, const DisplayWindow& window);

// The picture of a width x height image whose sample k (row by row) is
// value(k). With maxSide > 0 the picture keeps every step-th sample in each
// direction, the smallest step that brings both sides to maxSide or less;
// with maxSide 0 it shows every sample.
PaneImage MakePaneImage(int width, int height, const std::function<double(std::uint64_t)>& value,
                        int maxSide);

}  // namespace projconv
