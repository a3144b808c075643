// Which transform runs: the fast schedule with the widest kernels the
// processor has, unless the job pins another choice.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/internal/transform_fast.h"
#include "engine/projection_job.h"
#include "engine/reference/reference_transform.h"

namespace projconv {

namespace {

// More threads than this would only wait on memory.
constexpr int kMostWorkers = 64;

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

// The buffers must be the ones obtained for these parameters; anything else
// (a call outside a batch, parameters changed since) is left alone.
bool ProjectionJob::BuffersFit() const {
  const std::int64_t n = std::int64_t{inSizeX} * inSizeY;
  if (inSizeX < 0 || inSizeY < 0 || outSizeX < 0 || outSizeY < 0 || headerLen < 0 ||
      intReadArea == nullptr || floatReadArea == nullptr || outImage == nullptr ||
      std::uint64_t(n) > (std::uint64_t(1) << 60))
    return false;
  const std::uint64_t need = std::uint64_t(headerLen) + 5 * std::uint64_t(n);
  return intBuffer.size() >= need && floatBuffer.size() >= need &&
         outBuffer.size() >= std::uint64_t(outSizeX) * std::uint64_t(outSizeY) &&
         intReadArea == intBuffer.data() + 2 * n && floatReadArea == floatBuffer.data() + 2 * n &&
         outImage == outBuffer.data();
}

FastTransform* ProjectionJob::Schedule() {
  const int wanted =
      std::clamp(workerThreads > 0 ? workerThreads : UsableProcessors(), 1, kMostWorkers);
  if (fast_ == nullptr || fast_->requestedWorkers() != wanted) {
    fast_.reset();
    fast_.reset(new (std::nothrow) FastTransform(wanted));
  }
  return fast_.get();
}

bool ProjectionJob::ReserveSchedule() {
  FastTransform* const fast = Schedule();
  return fast != nullptr && fast->Reserve(*this);
}

void ProjectionJob::TransformImage() {
  TransformStreaming(nullptr);
}

bool ProjectionJob::TransformStreaming(StreamedOutput* output) {
  lastImageWrapped = 0;
  if (!BuffersFit()) return true;  // nothing of these parameters to work on
  if (kernels == TransformKernels::Reference) {
    TransformReference(*this);
    return true;
  }
  // Other sample types are refused before any batch; there is nothing to
  // decode them as.
  if (sampleType != SampleType::Integer16 && sampleType != SampleType::Float32) return true;
  // A choice this processor cannot run falls back to the plain kernels,
  // which give the same bits.
  const RowKernels* kernelSet = KernelsFor(kernels);
  if (kernelSet == nullptr) kernelSet = &kScalarRowKernels;
  FastTransform* const fast = Schedule();
  return fast != nullptr && fast->Run(*this, *kernelSet, output);
}

}  // namespace projconv
