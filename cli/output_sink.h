#pragma once

#include <memory>

#include "cli/output_options.h"
#include "engine/conversion_parameters.h"
#include "engine/image_sink.h"

namespace projconv {

// Where a batch of `parameters` puts its images for `choice`; null for raw
// files, which the batch writes itself.
std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters);

}  // namespace projconv
