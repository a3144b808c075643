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
#include "engine/internal/input_follower.h"
#include "engine/internal/parallel_read.h"
#include "engine/internal/streamed_output.h"
#include "engine/internal/transform_fast.h"
#include "engine/name_pattern.h"
#include "engine/posix_file.h"
#include "engine/projection_job.h"
#include "engine/sample_math.h"

namespace projconv {

static_assert(std::endian::native == std::endian::little,
              "output files are written straight from memory as little-endian samples");

StopFlag cancelRequested{0};

namespace {

const char kError[] = "Error";
const char kInfo[] = "Info";

std::string FileMessage(const std::string& name, const std::string& ending) {
  return "File  " + name + "   " + ending + ". Converting is finished";
}

// Whether `name` is a regular file of exactly `bytes` bytes: an output a
// stopped run finished, which a rerun may keep.
bool IsWholeOutput(const std::string& name, std::uint64_t bytes) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         std::uint64_t(info.st_size) == bytes;
}

// "can not be read", plus the system's reason when there is one.
std::string WithReason(const std::string& what, int error) {
  return error == 0 ? what : what + " (" + DescribeError(error) + ")";
}

// Asks the kernel to start reading the next input while this image is
// converted. Only a hint: nothing is read into the job, a missing file is
// no matter, and the file is read for real only when its turn comes. Only a
// regular file is opened for it: opening a pipe would release a writer
// waiting on it, and opening a device may act on the device.
void HintNextInput(const std::string& name, std::size_t bytes) {
  struct stat info;
  if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
  ::close(fd);
}

}  // namespace

ProjectionJob::ProjectionJob() = default;

ProjectionJob::~ProjectionJob() {
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
  if (auto refusal = CheckParameters(*this, withNames)) return refusal;
  if (!ObtainBuffers() || !ReserveSchedule()) {
    return Refusal{RefusalKind::Memory, "Memory allocation problem"};
  }
  return std::nullopt;
}

bool ProjectionJob::PrepareBatch() {
  if (const std::optional<Refusal> refusal = Prepare()) {
    Report(refusal->message, kError);
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
    Report(FileMessage(result.fileName, "can not be converted (Memory allocation problem)"), kInfo);
    SinkFailure late;  // the end is told already; only the count may change
    if (imageSink != nullptr && !imageSink->Finish(late) && late.image < result.filesWritten) {
      result.filesWritten = late.image;
    }
  }
  return result;
}

void ProjectionJob::RunSequence(BatchResult& result) {
  const NamePattern inPattern = *NamePattern::Parse(inFormat);
  const NamePattern outPattern = *NamePattern::Parse(outFormat);
  const std::uint64_t n = std::uint64_t(inSizeX) * std::uint64_t(inSizeY);
  const std::size_t sampleBytes = sampleType == SampleType::Integer16 ? 2 : 4;
  const std::size_t readBytes = std::size_t(headerLen) + sampleBytes * n;
  void* const readArea =
      sampleType == SampleType::Integer16 ? static_cast<void*>(intReadArea) : floatReadArea;

  // The transform's threads, made now rather than at the first image, also
  // share the reading of each input.
  FastTransform* const fast = Schedule();
  WorkerPool* const readers = fast != nullptr ? &fast->pool() : nullptr;
  const int readWorkers = fast != nullptr ? fast->workers() : 1;

  // Counters run in 64 bits; names and progress carry their 32-bit values.
  std::int64_t inNumber = std::int64_t{startNumber} + span.skip;
  std::int64_t outNumber = span.outStart + span.skip;
  std::optional<InputFollower> follower;
  if (span.followSeconds >= 0) follower.emplace(inFolder, span.followSeconds);
  const bool keeping = span.keepExisting && imageSink == nullptr;
  const std::uint64_t outBytes = 2 * std::uint64_t(outSizeX) * std::uint64_t(outSizeY);

  // A sink may store an image while the next input is read, and so tell of
  // its failure one image late, when the image is counted already: it comes
  // off the counts again.
  std::int64_t countedWrapped = 0;  // what the image counted last added to samplesWrapped
  const auto endAtOutput = [&](const SinkFailure& failure) {
    if (failure.image < result.filesWritten) {
      result.filesWritten = failure.image;
      result.samplesWrapped -= countedWrapped;
    }
    result.fileName = failure.file;
    result.end = BatchEnd::OutputNotWritten;
    const std::string ending = failure.reason.empty()
                                   ? WithReason("can not be wrote", failure.error)
                                   : "can not be wrote (" + failure.reason + ")";
    Report(FileMessage(failure.file, ending), kInfo);
  };
  // Every end waits for the sink to store what it took. If that fails, the
  // output failed before the batch got to its end, which is what it reports.
  const auto outputFailedAtEnd = [&] {
    SinkFailure failure;
    failure.image = result.filesWritten;
    if (imageSink == nullptr || imageSink->Finish(failure)) return false;
    endAtOutput(failure);
    return true;
  };

  while (stopFlag->load() == 0) {
    if (span.limit >= 0 && result.filesWritten + result.filesKept >= span.limit) {
      if (outputFailedAtEnd()) return;
      result.end = BatchEnd::LimitReached;
      result.fileName.clear();
      return;
    }
    const FileDone file{inNumber, outNumber, JoinPath(inFolder, inPattern.Format(Wrap32(inNumber))),
                        JoinPath(outFolder, outPattern.Format(Wrap32(outNumber))), false};
    const std::string& inName = file.inputName;
    const std::string& outName = file.outputName;
    ++inNumber;
    ++outNumber;
    result.fileName = inName;

    if (follower) {
      const InputFollower::Outcome wait = follower->WaitFor(inName, readBytes, *stopFlag);
      if (wait == InputFollower::Outcome::Stopped) break;
      if (wait == InputFollower::Outcome::Short) {
        // Never half a projection: a file that stopped growing short of a
        // whole one ends the batch as a file that could not be read.
        if (outputFailedAtEnd()) return;
        result.end = BatchEnd::InputNotRead;
        Report(FileMessage(inName,
                           "can not be read (it stopped growing before it held the "
                           "header and every sample)"),
               kInfo);
        return;
      }
      // Missing: the scan has ended, and the batch ends as at any missing input.
    }

    PosixFile input;
    if (!input.OpenForReading(inName)) {
      if (outputFailedAtEnd()) return;
      result.end = input.error() == ENOENT || input.error() == ENOTDIR ? BatchEnd::InputMissing
                                                                       : BatchEnd::InputNotOpened;
      Report(FileMessage(inName, "can not be opened"), kInfo);
      return;
    }
    if (keeping && IsWholeOutput(outName, outBytes)) {
      ++result.filesKept;
      if (dialog != nullptr)
        dialog->ReportFileDone(
            FileDone{file.inputNumber, file.outputNumber, inName, outName, true});
      continue;
    }
    const long long got = ReadInPieces(input, readArea, readBytes, readers, readWorkers);
    if (got <= 0) {
      if (outputFailedAtEnd()) return;
      result.end = BatchEnd::InputNotRead;
      Report(FileMessage(inName, WithReason("can not be read", got < 0 ? input.error() : 0)),
             kInfo);
      return;  // the file is closed after the message, as it goes out of scope
    }
    input.Close();
    HintNextInput(JoinPath(inFolder, inPattern.Format(Wrap32(inNumber))), readBytes);

    if (std::optional<SinkFailure> failure = PutOutput(result.filesWritten, outName)) {
      // The sink settles what it still holds; a failure of an earlier image
      // is the one to tell.
      SinkFailure earlier;
      earlier.image = failure->image;
      if (imageSink != nullptr && !imageSink->Finish(earlier) && earlier.image < failure->image) {
        failure = earlier;
      }
      endAtOutput(*failure);
      return;
    }
    if (dialog != nullptr) {
      dialog->PostProgress(Wrap32(result.filesWritten));
      dialog->ReportFileDone(file);
    }
    ++result.filesWritten;
    result.samplesWrapped += lastImageWrapped;
    countedWrapped = lastImageWrapped;
  }
  if (outputFailedAtEnd()) return;
  result.end = BatchEnd::Stopped;
  result.fileName.clear();
}

std::optional<SinkFailure> ProjectionJob::PutOutput(std::int64_t number, const std::string& name) {
  if (imageSink != nullptr) {
    SinkFailure failure{name, 0, {}, number};
    // The image put last may still be going into the sink: this one is made
    // in its place only once the sink has let go of it.
    imageSink->ReleaseSamples();
    const bool stored =
        TransformStreaming(nullptr) &&
        imageSink->Put(number, name, outSizeX, outSizeY,
                       std::span<const std::int16_t>(outImage, outBuffer.size()), failure);
    if (stored) return std::nullopt;
    return failure;
  }
  // The output is created before the image is made, so that finished rows
  // can go to it while the rest is being made. Nothing can tell: the input
  // is read and closed already, and if the output cannot be created, the
  // image is made all the same before the batch ends.
  PosixFile output;
  const bool opened = output.OpenForWriting(name);
  const std::size_t bytes = outBuffer.bytes();
  bool written = false;
  if (opened && output.IsRegularFile()) {
    StreamedOutput streamed(output, outImage, bytes);
    const bool made = TransformStreaming(&streamed);
    written = made && streamed.Finish() && output.Close();
  } else {
    const bool made = TransformStreaming(nullptr);
    written = made && opened && output.Write(outImage, bytes) && output.Close();
  }
  if (!opened) return SinkFailure{name, 0, {}, number};  // said without a reason
  if (!written) return SinkFailure{name, output.error(), {}, number};
  return std::nullopt;
}

}  // namespace projconv
