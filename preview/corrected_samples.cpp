#include "preview/corrected_samples.h"

#include <cmath>

namespace projconv {

CorrectedSamples::CorrectedSamples(const RawSamples& raw, SampleType sampleType, double scale,
                                   const FlatField& flat)
    : raw_(raw), float_(sampleType == SampleType::Float32), scale_(scale), flat_(flat) {}

double CorrectedSamples::operator()(std::uint64_t k) const {
  const double v = float_ ? double(static_cast<float>(raw_(k) * scale_)) : raw_(k);
  double t = (v - (flat_.dark.empty() ? 0.0 : flat_.dark[k])) / flat_.denominator[k];
  if (flat_.mode != CorrectionMode::Attenuation) return static_cast<float>(t * flat_.scale);
  if (t < 1e-6) t = 1e-6;  // NaN stays NaN
  return static_cast<float>(-std::log(t) * flat_.scale);
}

}  // namespace projconv
