#pragma once

// Where the crop window of a conversion lies on its input: the source
// positions that the transform samples for the corners of the output grid,
// found with the transform's own formula, and the way back from two points
// picked on the input to a crop window.

#include <array>
#include <cstdint>

#include "engine/conversion_parameters.h"

namespace projconv {

// A position in input samples: x along a row, y down the rows. Sample (x, y)
// itself stands at the whole numbers.
struct SourcePoint {
  double x = 0.0;
  double y = 0.0;
  bool operator==(const SourcePoint&) const = default;
};

// The source position that output sample (row i, column j) is taken from.
SourcePoint SourceOf(const ConversionParameters& geometry, double i, double j);

struct CropOverlay {
  // Source positions of output samples (0, 0), (0, W-1), (H-1, W-1) and
  // (H-1, 0): the rotated rectangle the output is sampled from, starting at
  // the corner that becomes the output's top-left.
  std::array<SourcePoint, 4> corners{};
  bool hasWindow = false;  // false when the output has no samples
  SourcePoint centre;      // the centre of rotation
};

CropOverlay OverlayOf(const ConversionParameters& geometry);

struct CropWindow {
  std::int32_t left = 0;  // inclusive
  std::int32_t top = 0;
  std::int32_t right = 0;  // exclusive
  std::int32_t bottom = 0;
  bool operator==(const CropWindow&) const = default;
};

// The crop window, in the geometry's rotated frame, that has the samples
// nearest to `a` and `b` at opposite corners and includes both.
CropWindow CropFromPoints(const ConversionParameters& geometry, SourcePoint a, SourcePoint b);

// The nearest whole number, held to the 32-bit range; NaN gives 0.
std::int32_t NearestInt32(double value);

}  // namespace projconv
