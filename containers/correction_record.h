#pragma once

// What a corrected batch records of its correction, in the sidecar's
// "correction" object and as attributes of the HDF5 dataset, so that a
// reader can turn the 16-bit values back into transmission or attenuation
// (w / correction_scale, or exp(-w / correction_scale)):
//   flat_pattern, dark_pattern   the names as the batch took them: a pattern
//                                with one integer field or a plain file
//                                name, relative to in_folder unless absolute;
//                                "" for no darks
//   flat_first, dark_first       the pattern's first number (0 for a plain name)
//   flat_count, dark_count       the files combined (0 for no darks)
//   combine                      "mean" or "median"
//   correction_mode              "transmission" or "attenuation"
//   correction_scale             S, the scale the batch multiplied by
// Nothing at all is recorded of a batch without a correction.

#include <cstdint>
#include <string>

#include "engine/flat_field.h"

namespace projconv {

// The correction as a batch is to read it: a pattern without a count gets
// the number of files there are now from its first on, so that the batch
// reads exactly the files its record names; a plain name gets first 0 and
// count 1. A pattern the engine would refuse is left as it is.
CorrectionParameters WithCountsFixed(const CorrectionParameters& correction,
                                     const std::string& inFolder);

// Calls visit(name, value) for every recorded value, in the order above;
// value is a std::string, an std::int32_t or a double.
template <typename Visit>
void ForEachCorrectionValue(const CorrectionParameters& c, Visit&& visit) {
  for (const auto& [kind, files] : {std::pair{"flat", &c.flat}, std::pair{"dark", &c.dark}}) {
    const bool none = files->pattern.empty();
    visit((std::string(kind) + "_pattern").c_str(), files->pattern);
    visit((std::string(kind) + "_first").c_str(), none ? std::int32_t{0} : files->first);
    visit((std::string(kind) + "_count").c_str(), none ? std::int32_t{0} : files->count);
  }
  visit("combine", std::string(CombiningName(c.combine)));
  visit("correction_mode", std::string(CorrectionModeName(c.mode)));
  visit("correction_scale", CorrectionScale(c));
}

}  // namespace projconv
