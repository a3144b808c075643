// Which transform runs: the fast schedule with the widest kernels the
// processor has, unless the job pins another choice.

#include <cstdlib>
#include <string>

#include "engine/internal/transform_fast.h"

namespace projconv {

namespace {

#if defined(PROJCONV_X86_KERNELS)
// PROJCONV_KERNELS=avx2 (or scalar) caps the widest set the program picks by
// itself, so that a benchmark or a bug report can see how a machine without
// the wider instructions fares. Read once: the choice holds for the process.
int WidestAllowed() {
  static const int widest = [] {
    const char* const value = std::getenv("PROJCONV_KERNELS");
    const std::string name = value != nullptr ? value : "";
    if (name == "scalar") return 0;
    if (name == "avx2") return 1;
    return 2;
  }();
  return widest;
}
#endif

}  // namespace

const RowKernels* KernelsFor(TransformKernels choice) {
  switch (choice) {
    case TransformKernels::Scalar:
    case TransformKernels::Reference:  // runs everywhere; never reaches the row kernels
      return &kScalarRowKernels;
#if defined(PROJCONV_X86_KERNELS)
    case TransformKernels::Avx2:
      return ProcessorHasAvx2() ? &kAvx2RowKernels : nullptr;
    case TransformKernels::Avx512:
      return ProcessorHasAvx512() ? &kAvx512RowKernels : nullptr;
    case TransformKernels::Fastest:
      if (WidestAllowed() >= 2 && ProcessorHasAvx512()) return &kAvx512RowKernels;
      if (WidestAllowed() >= 1 && ProcessorHasAvx2()) return &kAvx2RowKernels;
      return &kScalarRowKernels;
#else
    case TransformKernels::Avx2:
    case TransformKernels::Avx512:
      return nullptr;
    case TransformKernels::Fastest:
      return &kScalarRowKernels;
#endif
  }
  return nullptr;
}

bool KernelsAvailable(TransformKernels kernels) {
  return KernelsFor(kernels) != nullptr;
}

}  // namespace projconv
