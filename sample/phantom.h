#pragma once

#include <cstdint>
#include <vector>

namespace projconv {

namespace sample {

// One solid of the phantom: an ellipsoid whose y semi-axis stays vertical,
// parallel to the rotation axis, turned by `yawDegrees` about it. Lengths are
// in detector pixels from the rotation axis (x, z) and the central row (y, down).
struct Ellipsoid {
  double x, y, z;     // centre
  double a, b, c;     // semi-axes along x, y and z before the yaw
  double yawDegrees;  // turn about the vertical axis
  double density;     // attenuation per pixel of path; overlapping solids add
};

// The phantom, in its position at angle 0.
const std::vector<Ellipsoid>& Phantom();

// The projection of the phantom turned by `angleDegrees` about the vertical
// axis, seen in parallel beam by the rolled detector: kWidth x kHeight counts,
// row by row, each the line integral along the beam times kCountsPerPixel.
std::vector<std::int16_t> RenderProjection(double angleDegrees);

}  // namespace sample

}  // namespace projconv
