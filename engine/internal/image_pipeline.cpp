#include "engine/internal/image_pipeline.h"

#include <algorithm>
#include <new>

#include "engine/internal/row_kernels.h"
#include "engine/internal/transform_fast.h"
#include "engine/internal/worker_pool.h"
#include "engine/memory_budget.h"
#include "engine/reference/reference_transform.h"

namespace projconv {

namespace {

// More threads than this would only wait on memory.
constexpr int kMostWorkers = 64;

}  // namespace

ImagePipeline::ImagePipeline() = default;

ImagePipeline::~ImagePipeline() {
  fast_.reset();
  buffers_.Release();
}

std::optional<Refusal> ImagePipeline::Prepare(const ConversionParameters& p, int workerThreads) {
  buffers_.Release();
  // Not even asked for when they would not fit: the system may grant far
  // more than it can hold, and pay for it only once the pages are touched.
  if (auto refusal = CheckMemory(p)) return refusal;
  const Refusal plain{RefusalKind::Memory, "Memory allocation problem"};
  if (!buffers_.Obtain(p)) return plain;
  FastTransform* const fast = Schedule(workerThreads);
  if (fast == nullptr || !fast->Reserve(p)) return plain;
  return std::nullopt;
}

FastTransform* ImagePipeline::Schedule(int workerThreads) {
  const int wanted =
      std::clamp(workerThreads > 0 ? workerThreads : UsableProcessors(), 1, kMostWorkers);
  if (fast_ == nullptr || fast_->requestedWorkers() != wanted) {
    fast_.reset();
    fast_.reset(new (std::nothrow) FastTransform(wanted));
  }
  return fast_.get();
}

bool ImagePipeline::Run(ConversionParameters& p, TransformKernels kernels, int workerThreads,
                        RowStream* rows, const FlatField* flat) {
  wrapped_ = 0;
  if (!buffers_.Fit(p)) return true;  // nothing of these parameters to work on
  if (kernels == TransformKernels::Reference) {
    wrapped_ = TransformReference(p, buffers_, flat);
    return true;
  }
  // Other sample types are refused before any batch; there is nothing to
  // decode them as.
  if (p.sampleType != SampleType::Integer16 && p.sampleType != SampleType::Float32) return true;
  // A choice this processor cannot run falls back to the plain kernels,
  // which give the same bits.
  const RowKernels* kernelSet = KernelsFor(kernels);
  if (kernelSet == nullptr) kernelSet = &kScalarRowKernels;
  FastTransform* const fast = Schedule(workerThreads);
  return fast != nullptr && fast->Run(p, buffers_, *kernelSet, rows, wrapped_, flat);
}

}  // namespace projconv
