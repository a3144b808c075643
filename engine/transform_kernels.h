#pragma once

namespace projconv {

// Which kernels the per-image transform runs on. Every choice gives the same
// output and leaves the same buffer contents; they differ only in speed.
// Tests pin one to compare them; everything else keeps Fastest.
enum class TransformKernels {
  Fastest,  // the widest vector kernels this processor runs
  Scalar,   // the fast schedule with one sample at a time
  Avx2,     // the fast schedule with 4 double lanes
  Avx512,   // the fast schedule with 8 double lanes
};

// What the transform may take for granted about the images that follow on the
// same buffers. A batch's images all share its parameters, so every one runs
// the same smoothing passes, which rewrite the scratch images before its
// sampling reads them; and the buffers are obtained afresh for the next batch.
// There an image need leave in the scratch images only what its own sampling
// reads. A caller that may change the parameters between images gets them
// whole, as the reference leaves them.
enum class LaterImages {
  MayDiffer,
  ShareParameters,
};

// Whether this build and this processor can run `kernels`.
bool KernelsAvailable(TransformKernels kernels);

}  // namespace projconv
