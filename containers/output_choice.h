#pragma once

// What a batch writes besides the described headerless files: the output
// type, the one file of a single-file container, and the sidecar's stem.
// Both front ends hold this and store it apart from the conversion's
// parameters, which keep exactly their own keys.

#include <string>

#include "containers/output_type.h"

namespace projconv {

struct OutputChoice {
  OutputType type = OutputType::Raw;
  std::string file;     // the one file of a TIFF stack or an HDF5 output
  std::string sidecar;  // STEM of STEM.json (and STEM.mhd for raw output); empty for none
  bool operator==(const OutputChoice&) const = default;
};

}  // namespace projconv
