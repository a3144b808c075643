#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>

#include "engine/image_sink.h"
#include "engine/internal/batch_messages.h"
#include "engine/internal/overwrite_guard.h"
#include "engine/internal/sequence_loop.h"
#include "engine/internal/streamed_output.h"
#include "engine/internal/transform_fast.h"
#include "engine/memory_budget.h"
#include "engine/name_pattern.h"
#include "engine/posix_file.h"
#include "engine/projection_job.h"
#include "engine/sample_math.h"

namespace projconv {

static_assert(std::endian::native == std::endian::little,
              "output files are written straight from memory as little-endian samples");

StopFlag cancelRequested{0};

ProjectionJob::ProjectionJob() = default;

ProjectionJob::~ProjectionJob() {
  guard_.reset();
  fast_.reset();
  intBuffer.Release();
  outBuffer.Release();
  floatBuffer.Release();
}

void ProjectionJob::Report(const std::string& text, const std::string& caption) const {
  if (dialog != nullptr) dialog->ShowMessage(text, caption);
}

bool ProjectionJob::RunBatch() {
  return RunBatchWithResult().end != BatchEnd::Refused;
}

// Releases the previous batch's buffers and obtains new ones, zero-filled.
// Every request is made even after one fails, as each obtained buffer stays
// with the job.
bool ProjectionJob::ObtainBuffers() {
  intBuffer.Release();
  outBuffer.Release();
  floatBuffer.Release();
  intReadArea = nullptr;
  floatReadArea = nullptr;
  outImage = nullptr;

  // Sizes are non-negative 32-bit values here, so n and the output's count
  // fit in 64 bits; a float buffer the address space cannot hold is refused
  // like a failed request, before H + 5n could overflow.
  constexpr std::uint64_t kMaxBytes = std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max());
  const std::uint64_t n = std::uint64_t(inSizeX) * std::uint64_t(inSizeY);
  const bool addressable = n <= kMaxBytes / 20 - std::uint64_t(headerLen);
  const std::uint64_t inElements = addressable ? std::uint64_t(headerLen) + 5 * n : 0;
  const std::uint64_t outElements = std::uint64_t(outSizeX) * std::uint64_t(outSizeY);

  // Not even asked for when they would not fit: the system may grant far
  // more than it can hold, and pay for it only once the pages are touched.
  if (CheckMemory(*this)) return false;
  const bool intOk = addressable && intBuffer.Obtain(inElements);
  const bool floatOk = addressable && floatBuffer.Obtain(inElements);
  const bool outOk = outElements <= kMaxBytes / 2 && outBuffer.Obtain(outElements);
  if (!intOk || !floatOk || !outOk) return false;

  intReadArea = intBuffer.data() + 2 * n;
  floatReadArea = floatBuffer.data() + 2 * n;
  outImage = outBuffer.data();
  return true;
}

std::optional<Refusal> ProjectionJob::Prepare(bool withNames) {
  // Checked before anything is released or obtained, so that a refused
  // batch leaves the job exactly as it was.
  guard_.reset();
  if (auto refusal = CheckParameters(*this, withNames)) return refusal;
  if (withNames) {
    // Kept for the batch's loop, which goes on from the inputs looked at here.
    auto guard = std::make_unique<OverwriteGuard>(*this);
    if (auto refusal = guard->FirstCollision()) return refusal;
    guard_ = std::move(guard);
  }
  if (!ObtainBuffers()) {
    // Sizes the machine cannot hold are told with what they would need; a
    // request refused all the same gets the plain words.
    return CheckMemory(*this).value_or(Refusal{RefusalKind::Memory, "Memory allocation problem"});
  }
  if (!ReserveSchedule()) return Refusal{RefusalKind::Memory, "Memory allocation problem"};
  return std::nullopt;
}

bool ProjectionJob::PrepareBatch() {
  if (const std::optional<Refusal> refusal = Prepare()) {
    Report(refusal->message, kErrorCaption);
    return false;
  }
  return true;
}

BatchResult ProjectionJob::RunBatchWithResult() {
  BatchResult result;
  if (!PrepareBatch()) return result;
  try {
    RunSequence(result);
  } catch (const std::bad_alloc&) {
    // The buffers are had before the first image; what is left to allocate
    // is a file name's few bytes. Should even that fail, the batch ends here
    // with the file it was at, like any other failure.
    result.end = BatchEnd::OutputNotWritten;
    Report(FileMessage(result.fileName, "can not be converted (Memory allocation problem)"),
           kInfoCaption);
    SinkFailure late;  // the end is told already; only the count may change
    if (imageSink != nullptr && !imageSink->Finish(late) && late.image < result.filesWritten) {
      result.filesWritten = late.image;
    }
  }
  return result;
}

void ProjectionJob::RunSequence(BatchResult& result) {
  SequenceLoop(*this, result).Run();
}

std::optional<SinkFailure> ProjectionJob::PutOutput(std::int64_t number, const std::string& name) {
  if (imageSink != nullptr) {
    SinkFailure failure{name, 0, {}, number};
    // The image put last may still be going into the sink: this one is made
    // in its place only once the sink has let go of it.
    const bool stored =
        imageSink->ReleaseSamples(failure) && TransformStreaming(nullptr) &&
        imageSink->Put(number, name, outSizeX, outSizeY,
                       std::span<const std::int16_t>(outImage, outBuffer.size()), failure);
    if (stored) return std::nullopt;
    return failure;
  }
  // The output is created as the first rows of the image are finished, by
  // the thread that finished them, while the others go on converting; then
  // finished rows go to it while the rest is being made. Nothing can tell:
  // the input is read and closed already, and if the output cannot be
  // created, the image is made all the same before the batch ends.
  PosixFile output;
  StreamedOutput streamed(output, name, outImage, outBuffer.bytes());
  return streamed.Complete(TransformStreaming(&streamed), number);
}

}  // namespace projconv
