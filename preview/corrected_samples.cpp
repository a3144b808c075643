#include "preview/corrected_samples.h"

#include <cstddef>

namespace projconv {

CorrectedSamples::CorrectedSamples(const RawSamples& raw, SampleType sampleType, double scale,
                                   const FlatField& flat)
    : raw_(raw), float_(sampleType == SampleType::Float32), scale_(scale), flat_(flat) {}

double CorrectedSamples::operator()(std::uint64_t k) const {
  const double v = float_ ? double(static_cast<float>(raw_(k) * scale_)) : raw_(k);
  return CorrectedSample(flat_, std::size_t(k), v);
}

}  // namespace projconv
