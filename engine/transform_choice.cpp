// Which transform runs: the fast schedule with the widest kernels the
// processor has, unless the job pins another choice.

#include <unistd.h>

#include <algorithm>
#include <new>

#include "projection_job.h"
#include "transform_fast.h"

namespace {

// More threads than this would only wait on memory.
constexpr int kMostWorkers = 64;

}  // namespace

const RowKernels* KernelsFor(TransformKernels choice) {
  switch (choice) {
    case TransformKernels::Reference:
      return nullptr;
    case TransformKernels::Scalar:
      return &kScalarRowKernels;
#if defined(PROJCONV_X86_KERNELS)
    case TransformKernels::Avx2:
      return ProcessorHasAvx2() ? &kAvx2RowKernels : nullptr;
    case TransformKernels::Avx512:
      return ProcessorHasAvx512() ? &kAvx512RowKernels : nullptr;
    case TransformKernels::Fastest:
      if (ProcessorHasAvx512()) return &kAvx512RowKernels;
      if (ProcessorHasAvx2()) return &kAvx2RowKernels;
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
  return kernels == TransformKernels::Reference || KernelsFor(kernels) != nullptr;
}

FastTransform* ProjectionJob::Schedule() {
  const int wanted =
      std::clamp(workerThreads > 0 ? workerThreads : UsableProcessors(), 1, kMostWorkers);
  if (fast_ != nullptr && fast_->owner() != ::getpid()) {
    // Made before a fork: its threads do not exist in this process, so it
    // can be neither used nor taken down.
    static_cast<void>(fast_.release());
  }
  if (fast_ == nullptr || fast_->requestedWorkers() != wanted) {
    fast_.reset();
    fast_.reset(new (std::nothrow) FastTransform(wanted));
  }
  return fast_.get();
}

void ProjectionJob::TransformImage() {
  TransformStreaming(nullptr);
}

void ProjectionJob::TransformStreaming(StreamedOutput* output) {
  if (!BuffersFit()) return;
  // Other sample types neither decode nor fill anything; the reference
  // handles them as they are. The reference puts nothing out early.
  const RowKernels* kernelSet = sampleType == 0 || sampleType == 1 ? KernelsFor(kernels) : nullptr;
  FastTransform* fast = kernelSet != nullptr ? Schedule() : nullptr;
  if (fast == nullptr || !fast->Run(*this, *kernelSet, output)) TransformImageReference();
}
