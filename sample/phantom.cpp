#include "sample/phantom.h"

#include <algorithm>
#include <cmath>

#include "engine/sample_math.h"
#include "sample/sample_layout.h"

namespace projconv {

namespace sample {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

// One solid as the beam sees it at one angle. Its cross-section at height y
// is an ellipse; the path length through it at detector offset t from its
// centre is 2ac/w^2 * sqrt(s^2 w^2 - t^2), where w is its half-width across
// the beam at its widest and s^2 = 1 - (dy/b)^2 shrinks the section with height.
struct Shadow {
  double u;           // detector column of the centre, relative to the axis
  double v;           // detector row of the centre, relative to the central row
  double b2;          // b^2
  double halfWidth;   // w
  double halfWidth2;  // w^2
  double weight;      // density * 2ac / w^2
};

Shadow ShadowOf(const Ellipsoid& e, double angleRadians) {
  const double cs = std::cos(angleRadians), sn = std::sin(angleRadians);
  const double yaw = e.yawDegrees * kRadiansPerDegree + angleRadians;
  const double w2 =
      e.a * e.a * std::cos(yaw) * std::cos(yaw) + e.c * e.c * std::sin(yaw) * std::sin(yaw);
  return Shadow{.u = e.x * cs - e.z * sn,
                .v = e.y,
                .b2 = e.b * e.b,
                .halfWidth = std::sqrt(w2),
                .halfWidth2 = w2,
                .weight = e.density * 2.0 * e.a * e.c / w2};
}

// Path length times density through one solid along the ray at (u, v).
double Integral(const Shadow& s, double u, double v) {
  const double dv = v - s.v, dt = u - s.u;
  if (std::fabs(dt) >= s.halfWidth || dv * dv >= s.b2) return 0.0;
  const double r = (1.0 - dv * dv / s.b2) * s.halfWidth2 - dt * dt;
  return r > 0.0 ? s.weight * std::sqrt(r) : 0.0;
}

std::int16_t ToCounts(double integral) {
  const std::int64_t counts = TruncToInt64(integral * kCountsPerPixel + 0.5);
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(counts, 0, 32767));
}

}  // namespace

// An upright egg-shaped body of unit density holding an air pocket, a dense
// ball, a thin vertical rod, a flat plate near its base and a small bright
// bead off the axis that traces a sine across the sequence. Every solid lies
// inside the body, so its outline stays symmetric about the axis at every angle.
const std::vector<Ellipsoid>& Phantom() {
  // clang-format off
  static const std::vector<Ellipsoid> solids = {
      //  x     y     z     a    b    c   yaw  density
      {   0,    0,    0, 150, 210, 110,   0,  1.0},  // body
      { -40,  -60,   20,  45,  70,  35,  30, -0.8},  // air pocket
      {  55,   40,  -30,  30,  30,  30,   0,  2.5},  // dense ball
      { -70,   60,  -40,   8, 100,   8,   0,  3.0},  // rod
      {   0,  140,    0,  90,   8,  70,  20,  1.5},  // plate
      {  90, -120,   50,   6,   6,   6,   0,  8.0},  // bead
  };
  // clang-format on
  return solids;
}

std::vector<std::int16_t> RenderProjection(double angleDegrees) {
  std::vector<Shadow> shadows;
  for (const Ellipsoid& e : Phantom())
    shadows.push_back(ShadowOf(e, angleDegrees * kRadiansPerDegree));

  // Detector pixel (col, row) looks along the beam at (u, v), its position
  // turned back by the detector's roll.
  const double roll = kRollDegrees * kRadiansPerDegree;
  const double cr = std::cos(roll), sr = std::sin(roll);
  std::vector<std::int16_t> counts(std::size_t{kWidth} * kHeight);
  for (int row = 0; row < kHeight; ++row) {
    const double dy = row - kCentreY;
    for (int col = 0; col < kWidth; ++col) {
      const double dx = col - kCentreX;
      const double u = cr * dx + sr * dy, v = cr * dy - sr * dx;
      double sum = 0.0;
      for (const Shadow& s : shadows) sum += Integral(s, u, v);
      counts[static_cast<std::size_t>(row * kWidth + col)] = ToCounts(sum);
    }
  }
  return counts;
}

}  // namespace sample

}  // namespace projconv
