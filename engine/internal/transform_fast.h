#pragma once

#include <cstdint>
#include <vector>

#include "engine/internal/row_kernels.h"
#include "engine/internal/worker_pool.h"
#include "engine/owned_buffer.h"
#include "engine/transform_kernels.h"

namespace projconv {

struct ConversionParameters;
struct FlatField;
struct ImageBuffers;
class RowStream;

// The wrapped output samples one worker of an image has made, on a cache line
// of its own: each worker adds to its own once per chunk of rows, so that no
// two threads ever write the same line.
struct alignas(64) WrappedCount {
  std::int64_t samples = 0;
};

// The fast schedule of the per-image transform: the same arithmetic as the
// reference, sample for sample, and so the same output, but done a row at a
// time by vector kernels on a pool of threads, writing of the scratch images
// only what the image's sampling reads.
class FastTransform {
 public:
  // Runs on `workers` threads of the process's pool, the caller's included.
  explicit FastTransform(int workers);

  // The worker count asked for, which the pool may have fallen short of.
  int requestedWorkers() const { return requested_; }
  // The workers an image runs on.
  int workers() const;
  // The threads, for other work of the batch between images.
  WorkerPool& pool() { return pool_; }

  // Converts the image in the read area of `buffers` into their outImage,
  // handing each finished stretch of output rows to `output` if it is not
  // null, and counts in `wrapped` the output samples that wrapped. The
  // buffers must fit `job` and its sample type must be 0 or 1; the decoding
  // writes its byteOrder and signedness. False, with nothing changed, when
  // the row buffers cannot be obtained.
  // With `flat`, the image is corrected with it before smoothing.
  bool Run(ConversionParameters& job, const ImageBuffers& buffers, const RowKernels& kernels,
           RowStream* output, std::int64_t& wrapped, const FlatField* flat = nullptr);

  // Obtains the row buffers an image of `job` needs, ahead of its first
  // image; false when they cannot be had.
  bool Reserve(const ConversionParameters& job);

 private:
  bool ObtainScratch(std::int64_t rowFloats, std::int64_t bandFloats, std::int64_t columns);

  int requested_;
  WorkerPool& pool_;                            // the process's, shared with every other job
  std::vector<OwnedBuffer<float>> rowBuffers_;  // one row of floats per worker
  std::vector<OwnedBuffer<float>> bands_;       // a chunk's rows and two more, per worker
  std::vector<WrappedCount> wrapped_;           // one per worker, like rowBuffers_
  OwnedBuffer<double> columnTerms_;             // cos * dx and sin * dx per output column
};

// The kernel set a job's choice stands for on this processor; null for the
// reference or for a set the processor cannot run.
const RowKernels* KernelsFor(TransformKernels choice);

}  // namespace projconv
