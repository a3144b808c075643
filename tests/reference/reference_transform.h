#pragma once

#include "engine/projection_job.h"

namespace projconv {

// The per-image transform evaluated sample by sample, exactly as the steps
// are written down: slow, and the yardstick the engine must match bit for
// bit, in the output and in job.lastImageWrapped, which it sets. Works on the job's buffers as
// TransformImage does; set job.imageTransform to it to run whole batches on it.
void TransformReference(ProjectionJob& job);

}  // namespace projconv
