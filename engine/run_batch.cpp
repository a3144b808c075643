#include <bit>
#include <cerrno>
#include <new>
#include <optional>

#include "engine/image_sink.h"
#include "engine/internal/batch_messages.h"
#include "engine/internal/image_pipeline.h"
#include "engine/internal/overwrite_guard.h"
#include "engine/internal/sequence_loop.h"
#include "engine/projection_job.h"
#include "engine/raw_files.h"

namespace projconv {

static_assert(std::endian::native == std::endian::little,
              "output files are written straight from memory as little-endian samples");

StopFlag cancelRequested{0};

ProjectionJob::ProjectionJob()
    : pipeline_(std::make_unique<ImagePipeline>()), rawFiles_(std::make_unique<RawFiles>()) {}

ProjectionJob::~ProjectionJob() = default;

void ProjectionJob::Report(const std::string& text, const std::string& caption) const {
  if (dialog != nullptr) dialog->ShowMessage(text, caption);
}

bool ProjectionJob::RunBatch() {
  return RunBatchWithResult().end != BatchEnd::Refused;
}

ImageSink& ProjectionJob::Sink() {
  return batch.sink != nullptr ? *batch.sink : *rawFiles_;
}

void ProjectionJob::PointIntoBuffers() {
  const ImageBuffers& buffers = pipeline_->buffers();
  intReadArea = buffers.intReadArea;
  floatReadArea = buffers.floatReadArea;
  outImage = buffers.outImage;
}

std::optional<Refusal> ProjectionJob::Prepare(bool withNames) {
  // Checked before anything is released or obtained, so that a refused
  // batch leaves the job exactly as it was.
  guard_.reset();
  if (auto refusal = CheckParameters(*this, withNames)) return refusal;
  if (withNames) {
    // Kept for the batch's loop, which goes on from the inputs looked at here.
    auto guard = std::make_unique<OverwriteGuard>(*this, batch.span, Sink());
    if (auto refusal = guard->FirstCollision()) return refusal;
    guard_ = std::move(guard);
  }
  if (auto refusal = PrepareFlatField()) return refusal;
  std::optional<Refusal> refusal = pipeline_->Prepare(*this, batch.workerThreads);
  PointIntoBuffers();
  return refusal;
}

std::optional<Refusal> ProjectionJob::PrepareFlatField() {
  flatField_.reset();
  if (givenFlat_ == nullptr) {
    // A dark alone is refused, not ignored.
    if (correction.flat.pattern.empty() && correction.dark.pattern.empty()) return std::nullopt;
    auto field = std::make_unique<FlatField>();
    if (auto refusal = LoadFlatField(*this, correction, *field, batch.workerThreads))
      return refusal;
    flatField_ = std::move(field);
  }
  const FlatField& field = *ActiveFlat();
  const std::uint64_t n = std::uint64_t(inSizeX) * std::uint64_t(inSizeY);
  if (field.denominator.size() != n || (!field.dark.empty() && field.dark.size() != n)) {
    return Refusal{RefusalKind::FlatField, "The flat field holds " +
                                               std::to_string(field.denominator.size()) +
                                               " samples, an input image " + std::to_string(n)};
  }
  return std::nullopt;
}

const FlatField* ProjectionJob::ActiveFlat() const {
  return givenFlat_ != nullptr ? givenFlat_ : flatField_.get();
}

bool ProjectionJob::PrepareBatch() {
  if (const std::optional<Refusal> refusal = Prepare()) {
    Report(refusal->message, kErrorCaption);
    return false;
  }
  return true;
}

void ProjectionJob::TransformImage() {
  pipeline_->Run(*this, batch.kernels, batch.workerThreads, nullptr, ActiveFlat());
}

std::int64_t ProjectionJob::LastImageWrapped() const {
  return pipeline_->wrapped();
}

BatchResult ProjectionJob::RunBatchWithResult() {
  BatchResult result;
  if (!PrepareBatch()) return result;
  try {
    SequenceLoop(*this, result).Run();
  } catch (const std::bad_alloc&) {
    // The buffers are had before the first image; what is left to allocate
    // is a file name's few bytes. Should even that fail, the batch ends here
    // with the file it was at, like any other failure.
    result.end = BatchEnd::OutputNotWritten;
    Report(FileMessage(result.fileName, "can not be converted (Memory allocation problem)"),
           kInfoCaption);
    SinkFailure late;  // the end is told already; only the count may change
    if (!Sink().Finish(late) && late.image < result.filesWritten) {
      result.filesWritten = late.image;
    }
  }
  return result;
}

// The image is made into the output buffer only once the sink has let go of
// the one put before (a container may still be storing it). A sink that
// streams rows gets them while the rest of the image is made, by the thread
// that finished them: a raw file is created as its first rows are finished
// and written while the others are still being converted. Nothing can tell:
// the input is read and closed already, and if the output cannot be created,
// the image is made all the same before the batch ends.
std::optional<SinkFailure> ProjectionJob::PutOutput(ImageSink& sink, std::int64_t number,
                                                    const std::string& name) {
  SinkFailure failure{name, 0, {}, number};
  if (!sink.ReleaseSamples(failure)) return failure;
  const std::span<const std::int16_t> image =
      pipeline_->buffers().Output().first(std::size_t(outSizeX) * std::size_t(outSizeY));
  RowStream* const rows = sink.StreamRows(number, name, image);
  if (!pipeline_->Run(*this, batch.kernels, batch.workerThreads, rows, ActiveFlat())) {
    return SinkFailure{name, ENOMEM, {}, number};
  }
  if (sink.Put(number, name, outSizeX, outSizeY, image, failure)) return std::nullopt;
  return failure;
}

}  // namespace projconv
