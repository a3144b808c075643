#pragma once

namespace projconv {

// Which kernels the per-image transform runs on. Every choice gives the same
// output; they differ only in speed.
// Tests pin one to compare them; everything else keeps Fastest.
enum class TransformKernels {
  Fastest,  // the widest vector kernels this processor runs
  // The plain evaluation, sample by sample on one thread: slow, and the
  // yardstick every other choice is tested against.
  Reference,
  Scalar,  // the fast schedule with one sample at a time
  Avx2,    // the fast schedule with 4 double lanes
  Avx512,  // the fast schedule with 8 double lanes
};

// Whether this build and this processor can run `kernels`.
bool KernelsAvailable(TransformKernels kernels);

}  // namespace projconv
