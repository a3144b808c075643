#include "probe/layout_score.h"

#include <algorithm>
#include <cmath>

#include "probe/detector_sizes.h"

namespace projconv {

namespace {

// Where nothing varies, nothing speaks for the layout: as rough as noise.
constexpr double kUninformative = 1.0;
// A reading half full of NaN cannot be the right one, however smooth the rest.
constexpr double kImplausibleWeight = 4.0;

double Roughness(const ReadingProfile& profile, const RowContinuity& continuity) {
  const double implausible = kImplausibleWeight * profile.implausibleFraction;
  if (profile.spread <= 0.0) return kUninformative + implausible;
  return (profile.alongRows + continuity.down) / 2.0 / profile.spread + implausible;
}

// A longer header would only drop rows of a picture that is just as smooth,
// so a header whose last row's worth of bytes continues the picture is taken
// to be too long.
double CutIntoPicture(const RowContinuity& continuity) {
  if (continuity.acrossHeader < 0.0) return 0.0;
  const double ratio = continuity.acrossHeader / std::max(continuity.down, 1e-300);
  return 0.5 * std::clamp((4.0 - ratio) / 2.0, 0.0, 1.0);
}

double UnusualHeader(std::int32_t headerLen) {
  if (headerLen == 0) return 0.0;
  return IsCommonHeader(headerLen) ? 0.005 : 0.02;
}

double UnusualShape(std::int32_t width, std::int32_t height) {
  const double elongation = std::abs(std::log2(double(width) / double(height)));
  return 0.005 * elongation + 0.005 * !IsCommonSide(width) + 0.005 * !IsCommonSide(height);
}

double UnlikelyReading(const RawLayout& layout, const ReadingProfile& profile) {
  if (layout.sampleType == SampleType::Float32) return 0.0;
  double unlikely = layout.byteOrder == ByteOrder::BigEndian ? 0.001 : 0.0;
  // Detectors count upwards: a picture read as mostly negative is more
  // likely unsigned data above the halfway point.
  if (layout.signedness == Signedness::Signed) unlikely += 0.05 * profile.negativeFraction;
  if (layout.signedness == Signedness::Unsigned) unlikely += 0.001;
  return unlikely;
}

}  // namespace

double LayoutScore(const RawLayout& layout, const ReadingProfile& profile,
                   const RowContinuity& continuity) {
  const double unlikely = CutIntoPicture(continuity) + UnusualHeader(layout.headerLen) +
                          UnusualShape(layout.width, layout.height) +
                          UnlikelyReading(layout, profile);
  return Roughness(profile, continuity) * (1.0 + unlikely);
}

}  // namespace projconv
