#pragma once

#include "cli/output_options.h"
#include "cli/sequence_options.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"

namespace projconv {

// Converts the sequence the settings describe, reporting on standard error,
// and returns the program's exit status. SIGINT and SIGTERM stop the batch
// after the image in progress. `threads` is the number of threads per image,
// 0 for one per processor. `sequence` picks the part of the sequence; a
// shard's range is found by counting the inputs first. Every image is
// corrected with the flats and darks `correction` names, if any, which the
// HDF5 file and the sidecar record.
int RunConversion(const ConversionParameters& settings, bool quiet, int threads = 0,
                  const OutputChoice& output = {}, const SequenceChoice& sequence = {},
                  const CorrectionParameters& correction = {});

}  // namespace projconv
