#pragma once

// One image's way from the bytes of its file to its output samples: the
// buffers it passes through (see image_buffers.h for their layout) and the
// schedule that runs the transform over them. Owned by a job, which reads
// each file into ReadArea and calls Run; nothing else sees the buffers.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/conversion_parameters.h"
#include "engine/internal/image_buffers.h"
#include "engine/refusal.h"
#include "engine/transform_kernels.h"

namespace projconv {

class FastTransform;
struct FlatField;
class RowStream;

class ImagePipeline {
 public:
  ImagePipeline();
  ~ImagePipeline();
  ImagePipeline(const ImagePipeline&) = delete;
  ImagePipeline& operator=(const ImagePipeline&) = delete;

  // The start of every batch: releases the buffers and obtains them afresh,
  // zero-filled, for `p`, and the schedule's threads and row buffers for
  // `workerThreads` (0: one per usable processor). A refusal when memory
  // cannot be had; buffers obtained before a failed request stay.
  std::optional<Refusal> Prepare(const ConversionParameters& p, int workerThreads);

  // Converts the file in the read area into the output image with
  // `kernels`, handing each finished stretch of output rows to `rows` if it
  // is not null. Writes p's byteOrder and signedness as decoding leaves them.
  // Does nothing when the buffers do not fit `p`. False only when the
  // schedule's memory could not be had, which Prepare rules out.
  // With `flat`, every image is corrected with it before smoothing.
  bool Run(ConversionParameters& p, TransformKernels kernels, int workerThreads, RowStream* rows,
           const FlatField* flat = nullptr);

  // The output samples of the image made last that wrapped.
  std::int64_t wrapped() const { return wrapped_; }

  // The schedule of `workerThreads` workers, made at the first call and kept
  // while the count stays the same; its threads also share reading each
  // input. Null when it cannot be had.
  FastTransform* Schedule(int workerThreads);

  ImageBuffers& buffers() { return buffers_; }
  const ImageBuffers& buffers() const { return buffers_; }

 private:
  ImageBuffers buffers_;
  std::unique_ptr<FastTransform> fast_;
  std::int64_t wrapped_ = 0;
};

}  // namespace projconv
