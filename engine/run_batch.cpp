#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "name_pattern.h"
#include "parallel_read.h"
#include "posix_file.h"
#include "projection_job.h"
#include "sample_math.h"
#include "streamed_output.h"
#include "transform_fast.h"

std::atomic<std::int32_t> cancelRequested{0};

namespace {

const char kError[] = "Error";
const char kInfo[] = "Info";

std::string FileMessage(const std::string& name, const std::string& ending) {
  return "File  " + name + "   " + ending + ". Converting is finished";
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
  // Threads made before a fork do not exist in the child, which must leave
  // them alone rather than wait for them.
  if (fast_ != nullptr && fast_->owner() != ::getpid()) static_cast<void>(fast_.release());
  fast_.reset();
  intBuffer.Release();
  outBuffer.Release();
  floatBuffer.Release();
}

void ProjectionJob::Report(const std::string& text, const std::string& caption) const {
  if (dialog != nullptr) dialog->ShowMessage(text, caption);
}

bool ProjectionJob::TakesDirectPath() const {
  return std::int64_t{cropRight} - cropLeft == outSizeX &&
         std::int64_t{cropBottom} - cropTop == outSizeY &&
         std::fabs(static_cast<double>(angle)) < 0.001;
}

bool ProjectionJob::RunBatch() {
  return RunBatchWithResult().end != BatchEnd::Refused;
}

// Checks made before anything is released or obtained, so that a refused
// batch leaves the job exactly as it was. Reports the first problem found.
bool ProjectionJob::RefusesParameters() {
  if (TakesDirectPath()) {
    // The direct path copies samples without bounds tests; these limits keep
    // every position it reads inside the zeroed buffers.
    const std::int64_t x = inSizeX, y = inSizeY;
    if (cropLeft < -x || cropTop < -y || cropRight > 2 * x || cropBottom > 2 * y ||
        std::int64_t{cropRight} - cropLeft < 2 || std::int64_t{cropBottom} - cropTop < 2) {
      Report("Error in position of cropped area", kError);
      return true;
    }
  }
  // Written so that a NaN angle is refused too: it would pass both
  // comparisons the other way round and turn every image into zeros.
  if (!(angle >= -180 && angle <= 180)) {
    Report("Angle of rotation should be between plus/minus 180 degrees", kError);
    return true;
  }
  if (sampleType != 0 && sampleType != 1) {
    Report("Unknown input sample type " + std::to_string(sampleType) +
               ": choose \"Integer 16 bits\" or \"Float 32 bits\"",
           kError);
    return true;
  }
  if (sampleType == 1 && !std::isfinite(scale)) {
    Report("Scale factor should be a finite number", kError);
    return true;
  }
  if (inSizeX < 0 || inSizeY < 0 || outSizeX < 0 || outSizeY < 0 || headerLen < 0) {
    Report("Image sizes and the file header length must not be negative", kError);
    return true;
  }
  for (const std::string* format : {&inFormat, &outFormat}) {
    if (!NamePattern::Parse(*format)) {
      Report("Name format \"" + *format +
                 "\" must hold exactly one integer field, such as %04i, and no other % "
                 "conversion (write %% for a percent sign)",
             kError);
      return true;
    }
  }
  return false;
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

bool ProjectionJob::PrepareBatch() {
  if (RefusesParameters()) return false;
  if (!ObtainBuffers()) {
    Report("Memory allocation problem", kError);
    return false;
  }
  return true;
}

BatchResult ProjectionJob::RunBatchWithResult() {
  BatchResult result;
  if (!PrepareBatch()) return result;

  const NamePattern inPattern = *NamePattern::Parse(inFormat);
  const NamePattern outPattern = *NamePattern::Parse(outFormat);
  const std::uint64_t n = std::uint64_t(inSizeX) * std::uint64_t(inSizeY);
  const std::size_t sampleBytes = sampleType == 0 ? 2 : 4;
  const std::size_t readBytes = std::size_t(headerLen) + sampleBytes * n;
  void* const readArea = sampleType == 0 ? static_cast<void*>(intReadArea) : floatReadArea;
  const std::size_t writeBytes = outBuffer.bytes();

  // The transform's threads, made now rather than at the first image, also
  // share the reading of each input.
  FastTransform* const fast = Schedule();
  WorkerPool* const readers = fast != nullptr ? &fast->pool() : nullptr;

  // Counters run in 64 bits; names and progress carry their 32-bit values.
  std::int64_t inNumber = startNumber;
  std::int64_t outNumber = 0;

  while (cancelRequested.load() == 0) {
    const std::string inName = JoinPath(inFolder, inPattern.Format(Wrap32(inNumber++)));
    const std::string outName = JoinPath(outFolder, outPattern.Format(Wrap32(outNumber++)));
    result.fileName = inName;

    PosixFile input;
    if (!input.OpenForReading(inName)) {
      result.end = input.error() == ENOENT || input.error() == ENOTDIR ? BatchEnd::InputMissing
                                                                       : BatchEnd::InputNotOpened;
      Report(FileMessage(inName, "can not be opened"), kInfo);
      return result;
    }
    const long long got = ReadInPieces(input, readArea, readBytes, readers);
    if (got <= 0) {
      result.end = BatchEnd::InputNotRead;
      Report(FileMessage(inName, WithReason("can not be read", got < 0 ? input.error() : 0)),
             kInfo);
      return result;  // the file is closed after the message, as it goes out of scope
    }
    input.Close();
    HintNextInput(JoinPath(inFolder, inPattern.Format(Wrap32(inNumber))), readBytes);

    // The output is created before the image is made, so that finished rows
    // can go to it while the rest is being made. Nothing can tell: the input
    // is read and closed already, and if the output cannot be created, the
    // image is made all the same before the batch ends.
    PosixFile output;
    const bool opened = output.OpenForWriting(outName);
    bool written = false;
    if (opened && output.IsRegularFile()) {
      StreamedOutput streamed(output, outImage, writeBytes);
      TransformStreaming(&streamed);
      written = streamed.Finish() && output.Close();
    } else {
      TransformImage();
      written = opened && output.Write(outImage, writeBytes) && output.Close();
    }

    result.fileName = outName;
    if (!opened) {
      result.end = BatchEnd::OutputNotWritten;
      Report(FileMessage(outName, "can not be wrote"), kInfo);
      return result;
    }
    if (!written) {
      result.end = BatchEnd::OutputNotWritten;
      Report(FileMessage(outName, WithReason("can not be wrote", output.error())), kInfo);
      return result;
    }

    if (dialog != nullptr) dialog->PostProgress(Wrap32(result.filesWritten));
    ++result.filesWritten;
  }
  result.end = BatchEnd::Stopped;
  result.fileName.clear();
  return result;
}
