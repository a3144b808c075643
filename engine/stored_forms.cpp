#include "engine/stored_forms.h"

#include <cmath>
#include <limits>

#include "engine/sample_math.h"

namespace projconv {

namespace {

constexpr double kMillionth = 0.000001;
constexpr double kThousandth = 0.001;

// trunc(v), held to the 32-bit range; NaN gives 0.
std::int32_t TruncClampedToInt32(double v) {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(kMax)) return kMax;
  if (v <= static_cast<double>(kMin)) return kMin;
  return static_cast<std::int32_t>(TruncToInt64(v));
}

}  // namespace

float AngleFromStored(std::int32_t millionths) {
  return static_cast<float>(static_cast<double>(millionths) * kMillionth);
}

std::int32_t AngleToStored(float degrees) {
  return TruncClampedToInt32(static_cast<double>(degrees) * 1000000.0);
}

float ScaleFromStored(std::int32_t thousandths) {
  return static_cast<float>(static_cast<double>(thousandths) * kThousandth);
}

std::int32_t ScaleToStored(float factor) {
  return TruncClampedToInt32(static_cast<double>(factor) * 1000.0);
}

}  // namespace projconv
