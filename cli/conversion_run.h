#pragma once

#include "cli/output_options.h"
#include "engine/conversion_parameters.h"

namespace projconv {

// Converts the sequence the settings describe, reporting on standard error,
// and returns the program's exit status. SIGINT and SIGTERM stop the batch
// after the image in progress. `threads` is the number of threads per image,
// 0 for one per processor.
int RunConversion(const ConversionParameters& settings, bool quiet, int threads = 0,
                  const OutputChoice& output = {});

}  // namespace projconv
