#pragma once

// One conversion, as the rest of the system knows it: the parameters of a
// sequence of raw projections (the job's own fields, job.inFolder,
// job.angle, ...), the batch over the numbered files and the per-image
// transform. How a batch runs (which inputs, where the images go, who may
// stop it, on how many threads) is in `batch`; the buffers an image passes
// through, and the schedule that converts it, are the job's image pipeline's
// (engine/internal/image_pipeline.h), which nothing outside the engine sees.
// What the engine promises is each output: equal to the plain reference's
// output for its own file and the parameters.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/batch_reporter.h"
#include "engine/batch_result.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/image_sink.h"
#include "engine/refusal.h"
#include "engine/sequence_span.h"
#include "engine/transform_kernels.h"

namespace projconv {

class ImagePipeline;
class OverwriteGuard;
class RawFiles;
class SequenceLoop;

// A stop request: non-zero (set from any thread, or from a signal handler)
// stops a running batch after the image in progress has been written. Cleared
// by whoever starts a batch.
using StopFlag = std::atomic<std::int32_t>;

// The desktop program's stop flag, which its dialog sets and clears. A job
// watches it only when pointed at it; every other job has a flag of its own,
// so that stopping one job never stops another.
extern StopFlag cancelRequested;

// How a batch runs, apart from what it computes; no choice here changes a
// single output bit.
struct BatchChoices {
  // Which inputs the batch converts and how it numbers the outputs; the
  // whole sequence by default. Keeping existing outputs applies to sinks
  // that write whole files at the raw names.
  SequenceSpan span;

  // Where the output images go; null for the headerless files named by
  // outFormat (not owned).
  ImageSink* sink = nullptr;

  // The flag the batches watch between images: null for the job's own; a
  // front end may point it at a flag it shares with its window (not owned).
  StopFlag* stopFlag = nullptr;

  std::int32_t workerThreads = 0;  // threads per image; 0 = one per processor we may run on
  TransformKernels kernels = TransformKernels::Fastest;
};

class ProjectionJob : public ConversionParameters {
 public:
  // Where a batch reads a 16-bit or a float file, and the output image
  // TransformImage fills: into the buffers the start of the latest batch
  // obtained, null before one (or after one refused for memory).
  std::int16_t* intReadArea = nullptr;
  float* floatReadArea = nullptr;
  std::int16_t* outImage = nullptr;

  BatchReporter* dialog = nullptr;  // not owned; may be null

  BatchChoices batch;

  // The flats and darks every image is corrected with; none by default.
  // Read and combined at the start of every batch.
  CorrectionParameters correction;

  ProjectionJob();
  ProjectionJob(const ProjectionJob&) = delete;
  ProjectionJob& operator=(const ProjectionJob&) = delete;
  ~ProjectionJob();

  // Takes every parameter at once. Used between batches, never during one.
  void SetParameters(const ConversionParameters& parameters) {
    static_cast<ConversionParameters&>(*this) = parameters;
  }
  const ConversionParameters& parameters() const { return *this; }

  // The flag the job's batches watch (batch.stopFlag, or the job's own).
  StopFlag& stopFlag() { return batch.stopFlag != nullptr ? *batch.stopFlag : ownStop_; }
  // Asks the running batch (if any) to stop after the image in progress.
  void RequestStop() { stopFlag().store(1); }
  void ClearStop() { stopFlag().store(0); }

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

  // Converts the file just read into the read area into outImage. Leaves
  // everything alone outside a batch's buffers (none obtained, or
  // parameters changed since).
  void TransformImage();

  // The output samples of the image made last that wrapped (as counted in
  // BatchResult::samplesWrapped); 0 when nothing was made.
  std::int64_t LastImageWrapped() const;

  // True when the window has the output size and there is no rotation to
  // speak of: the transform then copies samples instead of resampling.
  bool TakesDirectPath() const { return projconv::TakesDirectPath(*this); }

  // Corrects with `field` (not owned; kept while the job uses it) instead of
  // the files `correction` names, for flats held in memory; null to go back.
  void UseFlatField(const FlatField* field) { givenFlat_ = field; }

  // The buffers and the schedule; for the engine and its tests.
  ImagePipeline& pipeline() { return *pipeline_; }

 private:
  friend class SequenceLoop;  // the loop over the files, which makes and puts each image

  // Makes output image `number` and puts it in `sink` under the raw name
  // `name`; what failed, if anything.
  std::optional<SinkFailure> PutOutput(ImageSink& sink, std::int64_t number,
                                       const std::string& name);
  // The sink the batch puts its images in.
  ImageSink& Sink();
  void Report(const std::string& text, const std::string& caption) const;
  // Points intReadArea, floatReadArea and outImage into the pipeline's buffers.
  void PointIntoBuffers();
  // Reads and combines the flats and darks, or checks the given ones.
  std::optional<Refusal> PrepareFlatField();
  // The flat field images are corrected with, if any.
  const FlatField* ActiveFlat() const;

  std::unique_ptr<ImagePipeline> pipeline_;
  std::unique_ptr<RawFiles> rawFiles_;    // the sink when batch.sink is null
  std::unique_ptr<FlatField> flatField_;  // read for the current batch
  const FlatField* givenFlat_ = nullptr;
  // What the start of the batch learnt of its inputs, for the check before
  // each output; taken by the batch's loop.
  std::unique_ptr<OverwriteGuard> guard_;
  StopFlag ownStop_{0};
};

}  // namespace projconv
