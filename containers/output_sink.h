#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "containers/output_choice.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/image_sink.h"

namespace projconv {

// Where a batch of `parameters` puts its images for `choice`, raw files
// included (the engine's RawFiles). `expectedBytes` is what the images
// are expected to take in all (it decides whether a TIFF stack needs
// BigTIFF); `version` is the program's and `firstOutputNumber` the output
// number of the batch's first image, both recorded in an HDF5 file, as is
// the `correction` of a batch that corrects (containers/correction_record.h).
std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters,
                                          std::uint64_t expectedBytes, const std::string& version,
                                          std::int64_t firstOutputNumber,
                                          const CorrectionParameters& correction = {});

}  // namespace projconv
