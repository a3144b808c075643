#pragma once

// One conversion: the parameters of a sequence of raw projections, the three
// working buffers, the batch loop and the per-image transform.
//
// Buffers (N = inSizeX * inSizeY samples, H = headerLen bytes):
//
// clang-format off
//   intBuffer   int16[H + 5N]  |<- 2N lower margin ->|<- read area: H header bytes, N samples ->|<- 2N upper margin ->|
//   floatBuffer float[H + 5N]  |<- 2N lower margin ->|<- H bytes, work image (N) ->|<- vertical scratch (N) ->|<- horizontal scratch (N) ->| 3H bytes
//   outBuffer   int16[outSizeX * outSizeY]
// clang-format on
//
// A 16-bit file is read to intReadArea (element 2N of intBuffer), a float file
// to floatReadArea (element 2N of floatBuffer), header first. The transform
// works on the float image that starts H bytes after floatReadArea; the two
// scratch images follow it directly. H need not be a multiple of the sample
// size, so samples can sit at any byte alignment.
//
// The buffers are obtained zeroed once per batch and never cleared between
// images: a short file leaves the unread part of the read area as the
// previous image left it, and the scratch images' edges stay 0 throughout.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "batch_reporter.h"
#include "owned_buffer.h"
#include "transform_kernels.h"

class FastTransform;
class StreamedOutput;

// Set to non-zero (from any thread) to stop a running batch after the image in
// progress has been written. Cleared by whoever starts a batch.
extern std::atomic<std::int32_t> cancelRequested;

// How a batch ended; the boolean of RunBatch folds these into refused or not.
enum class BatchEnd {
  Refused,          // parameters or memory: nothing was read or written
  Stopped,          // cancelRequested was set
  InputMissing,     // the next input could not be opened (ENOENT: the normal end)
  InputNotOpened,   // the next input exists but could not be opened
  InputNotRead,     // the input gave no bytes, or the read failed
  OutputNotWritten  // the output could not be created, written or closed
};

struct BatchResult {
  BatchEnd end = BatchEnd::Refused;
  std::int64_t filesWritten = 0;
  std::string fileName;  // the file the batch ended at, if any
};

class ProjectionJob {
 public:
  std::string inFolder;
  std::string outFolder;
  std::string inFormat;
  std::string outFormat;

  std::int16_t* intReadArea = nullptr;  // element 2N of intBuffer
  float* floatReadArea = nullptr;       // element 2N of floatBuffer
  std::int16_t* outImage = nullptr;     // start of outBuffer

  OwnedBuffer<std::int16_t> intBuffer;
  OwnedBuffer<float> floatBuffer;
  OwnedBuffer<std::int16_t> outBuffer;

  BatchReporter* dialog = nullptr;  // not owned; may be null

  std::int32_t startNumber = 0;
  std::int32_t headerLen = 0;
  std::int32_t sampleType = 0;  // 0 = 16-bit integer, 1 = 32-bit float
  std::int32_t byteOrder = 0;   // 0 = little endian, 1 = big endian
  std::int32_t signedness = 0;  // 0 = signed, 1 = unsigned
  std::int32_t inSizeX = 0;
  std::int32_t inSizeY = 0;
  std::int32_t outSizeX = 0;
  std::int32_t outSizeY = 0;
  std::int32_t cropRight = 0;   // exclusive
  std::int32_t cropBottom = 0;  // exclusive
  std::int32_t rotCentreX = 0;
  float angle = 0.0f;         // degrees
  std::int32_t cropLeft = 0;  // inclusive
  std::int32_t cropTop = 0;   // inclusive
  std::int32_t rotCentreY = 0;
  float scale = 1.0f;  // factor for float samples

  // How the transform runs; no choice here changes a single output bit.
  std::int32_t workerThreads = 0;  // threads per image; 0 = one per processor we may run on
  TransformKernels kernels = TransformKernels::Fastest;

  ProjectionJob();
  ProjectionJob(const ProjectionJob&) = delete;
  ProjectionJob& operator=(const ProjectionJob&) = delete;
  ~ProjectionJob();

  // Converts the numbered sequence on the calling thread. False when the
  // batch is refused before it starts; true for every other end.
  bool RunBatch();

  // The same batch, telling how it ended and how many files it wrote.
  BatchResult RunBatchWithResult();

  // The start of every batch: checks the parameters, then releases the
  // buffers and obtains them afresh, zero-filled, with the pointers into
  // them. False, after the "Error" message, when a batch would be refused.
  bool PrepareBatch();

  // Converts the file just read into the read area into outImage.
  void TransformImage();

  // The same conversion evaluated sample by sample, exactly as the steps are
  // written down: slow, and the yardstick every faster schedule must match.
  void TransformImageReference();

  // True when the window has the output size and there is no rotation to
  // speak of: the transform then copies samples instead of resampling.
  bool TakesDirectPath() const;

 private:
  bool RefusesParameters();
  bool ObtainBuffers();
  bool BuffersFit() const;
  void Report(const std::string& text, const std::string& caption) const;
  FastTransform* Schedule();
  // TransformImage, handing each finished stretch of output rows to `output`
  // (if not null) as soon as it is final.
  void TransformStreaming(StreamedOutput* output);

  // Threads and row buffers of the fast transform: made at the first image
  // and kept for later images and batches while workerThreads stays the same.
  std::unique_ptr<FastTransform> fast_;
};
