#pragma once

// --progress json: a line of JSON on standard output for each file done and
// one at the end, for pipelines and dashboards that follow a run. Messages
// stay on standard error.

#include <cstdint>
#include <string>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"

namespace projconv {

// {"event":"file","output_number":7,"input":"...","output":"...","index":null,
//  "kept":false,"images_per_second":41.2}: "output" is the image's own file,
// or for a TIFF stack or HDF5 output the one file, with "index" its place in it.
std::string FileDoneJson(const FileDone& file, std::int64_t filesDone, double seconds);

// {"event":"end","end":"output_not_written","reason":"No space left on device",
//  "files_written":23,"files_kept":0,"samples_wrapped":0,"exit_status":1}
std::string EndJson(const BatchResult& result, int exitStatus);

}  // namespace projconv
