#pragma once

// --sidecar STEM is written when the batch ends, but a folder it cannot go to
// is found before anything is converted, as a missing folder of --out-file is.

#include <optional>
#include <string>

#include "engine/projection_job.h"

namespace projconv {

// The end of a batch refused for its sidecar's folder (missing, not a folder,
// not writable): at STEM.json, with the system's reason; nothing when the
// folder takes files, or there is no sidecar.
std::optional<BatchResult> SidecarFolderProblem(const std::string& stem);

// That end told as the batch tells an output it cannot write: "File  STEM.json
// can not be wrote. Converting is finished", the reason on the line under it.
std::string SidecarFolderMessage(const BatchResult& end);

}  // namespace projconv
