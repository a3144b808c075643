#pragma once

// The correction convert_image and convert_array take as keywords: flat=
// and dark= (python/reference_frames.h), combine=, correct= and
// correct_scale=, combined once for the one image.

#include <optional>

#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "python/call_arguments.h"

namespace projconv {

struct ImageCorrection {
  Argument flat, dark;              // None is taken as not given
  CorrectionParameters parameters;  // the combining, the mode and the scale
};

// Takes the correction's keywords out of `call`, checking each; the others
// are refused without a flat, as there is nothing for them to do.
ImageCorrection TakeImageCorrection(CallArguments& call);

// The flats and darks combined for inputs of `layout`, with the GIL released
// while they are; nothing when no flat is given.
std::optional<FlatField> CombinedField(const ImageCorrection& correction,
                                       const ConversionParameters& layout, int threads);

}  // namespace projconv
