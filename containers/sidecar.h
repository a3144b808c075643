#pragma once

// The files that describe a finished batch to the tools that read its
// output next: STEM.json, every parameter and how the batch went, and, for
// headerless output, STEM.mhd, a MetaImage header that presents the whole
// numbered sequence as one 3-D image.

#include <optional>
#include <string>

#include "containers/output_choice.h"
#include "engine/conversion_parameters.h"
#include "engine/projection_job.h"

namespace projconv {

struct BatchRecord {
  std::string version;  // the program's
  ConversionParameters parameters;
  OutputChoice output;
  BatchResult result;
  SequenceSpan span = {};  // where in the sequence the batch began
};

// Writes the sidecar of `record` at output.sidecar (nothing when it is
// empty), whatever the batch's end. Nothing, or what went wrong, as a
// message naming the file.
std::optional<std::string> WriteSidecar(const BatchRecord& record);

}  // namespace projconv
