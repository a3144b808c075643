#pragma once

// The work image a corrected batch makes of one input, for display: each
// sample decoded as RawSamples decodes it (a float one times the scale
// factor, kept to float, as the batch scales it), then corrected by the
// engine's own CorrectedSample (engine/flat_field.h).

#include <cstdint>

#include "engine/flat_field.h"
#include "preview/raw_samples.h"

namespace projconv {

class CorrectedSamples {
 public:
  // `flat` must hold a denominator (and a dark, if any) for every sample k
  // asked for; neither it nor `raw` is copied.
  CorrectedSamples(const RawSamples& raw, SampleType sampleType, double scale,
                   const FlatField& flat);

  double operator()(std::uint64_t k) const;

 private:
  const RawSamples& raw_;
  bool float_;
  double scale_;
  const FlatField& flat_;
};

}  // namespace projconv
