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
// images; the scratch images' edges stay 0 throughout. What the engine
// promises is each output: equal to the plain reference's output for its own
// file and the parameters. What the buffers hold besides is the engine's
// business: the scratch images hold only the rows an image's sampling may
// read, and a batch that only copies 16-bit windows reads whole files'
// windows straight into outImage and leaves the read area alone (see
// engine/internal/window_copy.h). No output depends on what an earlier image
// left: a file shorter than the header and one image ends the batch instead
// of being read over the previous one.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/batch_reporter.h"
#include "engine/conversion_parameters.h"
#include "engine/image_sink.h"
#include "engine/owned_buffer.h"
#include "engine/refusal.h"
#include "engine/sequence_span.h"
#include "engine/transform_kernels.h"

namespace projconv {

class FastTransform;
class OverwriteGuard;
class SequenceLoop;
class StreamedOutput;

// A stop request: non-zero (set from any thread, or from a signal handler)
// stops a running batch after the image in progress has been written. Cleared
// by whoever starts a batch.
using StopFlag = std::atomic<std::int32_t>;

// The desktop program's stop flag, which its dialog sets and clears. A job
// watches it only when pointed at it; every other job has a flag of its own,
// so that stopping one job never stops another.
extern StopFlag cancelRequested;

// How a batch ended; the boolean of RunBatch folds these into refused or not.
enum class BatchEnd {
  Refused,           // parameters or memory: nothing was read or written
  Stopped,           // the job's stop flag was set
  InputMissing,      // the next input could not be opened (ENOENT: the normal end)
  InputNotOpened,    // the next input exists but could not be opened
  InputNotRead,      // the input gave no bytes, or the read failed
  InputShort,        // the input held fewer bytes than the header and one image
  OutputNotWritten,  // the output could not be created, written or closed
  LimitReached       // the span's last input was done (a normal end)
};

// "refused", "stopped", "input_missing", "input_not_opened", "input_not_read",
// "input_short", "output_not_written", "limit_reached": how records and logs
// name an end.
const char* BatchEndName(BatchEnd end);

struct BatchResult {
  BatchEnd end = BatchEnd::Refused;
  std::int64_t filesWritten = 0;
  std::string fileName;  // the file the batch ended at, if any
  // Why that file failed, in the system's words ("Permission denied", "No
  // such folder"); empty when the end needs no reason.
  std::string reason = {};
  // Output samples of the images written whose truncated value lay outside
  // -32768 .. 32767 and so was kept to its low 16 bits.
  std::int64_t samplesWrapped = 0;
  std::int64_t filesKept = 0;  // outputs found whole and kept (SequenceSpan::keepExisting)
};

// The parameters are the job's own fields (job.inFolder, job.angle, ...), so
// that the batch and the transform read them as the job's; SetParameters fills
// them all at once from the one type every front end holds.
class ProjectionJob : public ConversionParameters {
 public:
  std::int16_t* intReadArea = nullptr;  // element 2N of intBuffer
  float* floatReadArea = nullptr;       // element 2N of floatBuffer
  std::int16_t* outImage = nullptr;     // start of outBuffer

  OwnedBuffer<std::int16_t> intBuffer;
  OwnedBuffer<float> floatBuffer;
  OwnedBuffer<std::int16_t> outBuffer;

  BatchReporter* dialog = nullptr;  // not owned; may be null

  // The flag this job's batches watch between images: its own, unless a
  // front end points it at a flag it shares with its window (not owned).
  StopFlag* stopFlag = &ownStop_;

  // How the transform runs; no choice here changes a single output bit.
  std::int32_t workerThreads = 0;  // threads per image; 0 = one per processor we may run on
  TransformKernels kernels = TransformKernels::Fastest;

  // Which inputs the batch converts and how it numbers the outputs; the
  // whole sequence by default. Keeping existing outputs applies to
  // headerless files only, and is ignored with an image sink.
  SequenceSpan span;

  // Where the output images go instead of headerless files named by
  // outFormat; null for those files (not owned).
  ImageSink* imageSink = nullptr;

  // The output samples of the image made last that wrapped (as counted in
  // BatchResult::samplesWrapped); 0 when nothing was made.
  std::int64_t lastImageWrapped = 0;

  ProjectionJob();
  ProjectionJob(const ProjectionJob&) = delete;
  ProjectionJob& operator=(const ProjectionJob&) = delete;
  ~ProjectionJob();

  // Takes every parameter at once. Used between batches, never during one.
  void SetParameters(const ConversionParameters& parameters) {
    static_cast<ConversionParameters&>(*this) = parameters;
  }
  const ConversionParameters& parameters() const { return *this; }

  // Asks the running batch (if any) to stop after the image in progress.
  void RequestStop() { stopFlag->store(1); }
  void ClearStop() { stopFlag->store(0); }

  // Converts the numbered sequence on the calling thread. False when the
  // batch is refused before it starts; true for every other end.
  bool RunBatch();

  // The same batch, telling how it ended and how many files it wrote.
  BatchResult RunBatchWithResult();

  // The start of every batch: checks the parameters, then releases the
  // buffers and obtains them afresh, zero-filled, with the pointers into
  // them. False, after the "Error" message, when a batch would be refused.
  bool PrepareBatch();

  // The same start, telling why instead of reporting; the name formats are
  // checked only `withNames`.
  std::optional<Refusal> Prepare(bool withNames = true);

  // Converts the file just read into the read area into outImage.
  void TransformImage();

  // True when the buffers are the ones obtained for the current parameters;
  // the transform leaves anything else alone (a call outside a batch,
  // parameters changed since).
  bool BuffersFit() const;

  // True when the window has the output size and there is no rotation to
  // speak of: the transform then copies samples instead of resampling.
  bool TakesDirectPath() const { return projconv::TakesDirectPath(*this); }

 private:
  friend class SequenceLoop;  // the loop over the files, which makes and puts each image

  bool ObtainBuffers();
  // The loop over the numbered files, once the batch is prepared.
  void RunSequence(BatchResult& result);
  // Makes output image `number` and puts it in its raw file `name`, or in
  // the image sink; what failed, if anything.
  std::optional<SinkFailure> PutOutput(std::int64_t number, const std::string& name);
  // Makes the transform's schedule and its scratch rows for these
  // parameters, so that no image can fail for want of memory.
  bool ReserveSchedule();
  void Report(const std::string& text, const std::string& caption) const;
  FastTransform* Schedule();
  // TransformImage, handing each finished stretch of output rows to `output`
  // (if not null) as soon as it is final. False when the schedule's memory
  // could not be had (never after Prepare).
  bool TransformStreaming(StreamedOutput* output);

  // Row buffers of the fast transform and its share of the process's
  // threads: made at the start of a batch and kept for later images and
  // batches while workerThreads stays the same.
  std::unique_ptr<FastTransform> fast_;
  // What the start of the batch learnt of its inputs, for the check before
  // each output; taken by the batch's loop.
  std::unique_ptr<OverwriteGuard> guard_;
  StopFlag ownStop_{0};
};

}  // namespace projconv
