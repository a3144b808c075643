#include "preview/crop_overlay.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/sample_math.h"

namespace projconv {

namespace {

// The transform's degrees-to-radians factor, as a double.
constexpr double kRadiansPerDegree = 0.017453292519943295;

struct Turn {
  double cos;
  double sin;
};

Turn TurnOf(const ConversionParameters& g) {
  const double theta = static_cast<double>(g.angle) * kRadiansPerDegree;
  return {std::cos(theta), std::sin(theta)};
}

// The transform's step: the window's integer width over the output's, in
// double precision.
double Step(std::int32_t from, std::int32_t to, std::int32_t count) {
  return static_cast<double>(std::int64_t{to} - from) / static_cast<double>(count);
}

}  // namespace

SourcePoint SourceOf(const ConversionParameters& g, double i, double j) {
  const Turn turn = TurnOf(g);
  const double sx = Step(g.cropLeft, g.cropRight, g.outSizeX);
  const double sy = Step(g.cropTop, g.cropBottom, g.outSizeY);
  const double dy = (i * sy + g.cropTop) - g.rotCentreY;
  const double a = dy * turn.sin;
  const double b = dy * turn.cos;
  const double dx = (j * sx + g.cropLeft) - g.rotCentreX;
  return {(turn.cos * dx - a) + g.rotCentreX, (turn.sin * dx + b) + g.rotCentreY};
}

CropOverlay OverlayOf(const ConversionParameters& g) {
  CropOverlay overlay;
  overlay.centre = {double(g.rotCentreX), double(g.rotCentreY)};
  overlay.hasWindow = g.outSizeX > 0 && g.outSizeY > 0;
  if (!overlay.hasWindow) return overlay;
  const double lastRow = g.outSizeY - 1;
  const double lastColumn = g.outSizeX - 1;
  overlay.corners = {SourceOf(g, 0, 0), SourceOf(g, 0, lastColumn),
                     SourceOf(g, lastRow, lastColumn), SourceOf(g, lastRow, 0)};
  return overlay;
}

std::int32_t NearestInt32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(TruncToInt64(std::clamp(std::floor(value + 0.5), kMin, kMax)));
}

CropWindow CropFromPoints(const ConversionParameters& g, SourcePoint a, SourcePoint b) {
  // Back from the input into the rotated frame in which the window is a
  // plain rectangle: the transform's rotation, undone.
  const Turn turn = TurnOf(g);
  const auto unturned = [&](SourcePoint p) {
    const double dx = p.x - g.rotCentreX;
    const double dy = p.y - g.rotCentreY;
    return SourcePoint{turn.cos * dx + turn.sin * dy + g.rotCentreX,
                       -turn.sin * dx + turn.cos * dy + g.rotCentreY};
  };
  const SourcePoint p = unturned(a);
  const SourcePoint q = unturned(b);
  const auto after = [](std::int32_t v) {
    return v == std::numeric_limits<std::int32_t>::max() ? v : v + 1;
  };
  return {NearestInt32(std::min(p.x, q.x)), NearestInt32(std::min(p.y, q.y)),
          after(NearestInt32(std::max(p.x, q.x))), after(NearestInt32(std::max(p.y, q.y)))};
}

}  // namespace projconv
