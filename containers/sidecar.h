#pragma once

// The files that describe a finished batch to the tools that read its
// output next: STEM.json, every parameter and how the batch went, and, for
// headerless output, STEM.mhd, a MetaImage header that presents the whole
// numbered sequence as one 3-D image.

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
  // The flats and darks the images were corrected with; none when not Enabled.
  CorrectionParameters correction = {};
};

// What became of a sidecar, each as a message naming the file, or empty.
struct SidecarOutcome {
  std::string failure;  // a file that could not be written
  // STEM.mhd left out by design: its names hold a line break, which no
  // header can. The record in STEM.json still tells everything.
  std::string leftOut;
};

// Writes the sidecar of `record` at output.sidecar (nothing when it is
// empty), whatever the batch's end.
SidecarOutcome WriteSidecar(const BatchRecord& record);

}  // namespace projconv
