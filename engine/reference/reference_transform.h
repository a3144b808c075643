#pragma once

#include <cstdint>

#include "engine/conversion_parameters.h"

namespace projconv {

struct FlatField;
struct ImageBuffers;

// The per-image transform evaluated sample by sample, exactly as the steps
// are written down: slow, and the yardstick the fast schedule must match bit
// for bit, in the output and in the count of output samples that wrapped,
// which it returns. Works on the buffers of a batch as the fast schedule
// does, so that whole batches can run on it (TransformKernels::Reference).
// Like the fast schedule, it writes byteOrder and signedness as its decoding
// leaves them. Corrects with `flat` when it is given. Leaves buffers that do
// not fit `p` alone and returns 0.
std::int64_t TransformReference(ConversionParameters& p, const ImageBuffers& buffers,
                                const FlatField* flat = nullptr);

}  // namespace projconv
