#pragma once

#include "engine/projection_job.h"

namespace projconv {

// The per-image transform evaluated sample by sample, exactly as the steps
// are written down: slow, and the yardstick the fast schedule must match bit
// for bit, in the output and in job.lastImageWrapped, which it sets. Works on
// the job's buffers as TransformImage does, which runs it for
// TransformKernels::Reference, so that whole batches can run on it.
void TransformReference(ProjectionJob& job);

}  // namespace projconv
