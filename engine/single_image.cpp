#include "engine/single_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "engine/internal/image_pipeline.h"
#include "engine/internal/overwrite_guard.h"
#include "engine/name_pattern.h"
#include "engine/posix_file.h"
#include "engine/projection_job.h"
#include "engine/raw_files.h"

namespace projconv {

namespace {

// The bytes of one file converted on `job` as the first image of a batch.
std::optional<Refusal> ConvertInto(ProjectionJob& job, std::span<const unsigned char> bytes,
                                   bool withNames) {
  // The batch's own start: its checks, its buffers obtained and zeroed.
  if (auto refusal = job.Prepare(withNames)) return refusal;
  if (bytes.empty()) return Refusal{RefusalKind::NoInput, "The input file gave no bytes"};

  const std::uint64_t length = *InputReadLength(job);
  if (bytes.size() < length) {
    // As in a batch: the rest of the image would be no sample of this file.
    return Refusal{RefusalKind::ShortInput, "The input holds " + std::to_string(bytes.size()) +
                                                " bytes, a whole input needs " +
                                                std::to_string(length)};
  }
  const std::span<unsigned char> area = job.pipeline().buffers().ReadArea(job.sampleType);
  if (area.size() < length || job.outImage == nullptr) {
    return Refusal{RefusalKind::Memory, "Memory allocation problem"};
  }
  std::memcpy(area.data(), bytes.data(), std::size_t(length));
  job.TransformImage();
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FirstInputName(const ProjectionJob& job) {
  const std::optional<NamePattern> pattern = NamePattern::Parse(job.inFormat);
  if (!pattern) return std::nullopt;
  return JoinPath(job.inFolder, pattern->Format(job.startNumber));
}

InputBytes ReadInputBytes(const ProjectionJob& job, const std::string& name) {
  InputBytes input;
  if (const std::optional<Refusal> refusal = CheckInputLayout(job)) {
    input.message = refusal->message;
    return input;
  }
  const std::uint64_t length = *InputReadLength(job);
  input.readLength = length;

  // A FIFO or device is not even opened: opening or reading it could wait
  // for ever, or act on the device. A folder fails in its read, as it does
  // in a batch.
  struct stat info {};
  if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
    input.status = InputBytes::Status::NotAFile;
    return input;
  }
  PosixFile file;
  if (!file.OpenForReading(name)) {
    input.status = InputBytes::Status::NotOpened;
    input.error = file.error();
    return input;
  }
  const long long size = file.RegularSize();
  // A folder's read fails before it delivers a byte.
  const std::uint64_t room = size >= 0 ? std::uint64_t(size) : 1;
  input.bytes.resize(std::size_t(std::min(length, room)));
  const long long got = file.Read(input.bytes.data(), input.bytes.size());
  if (got <= 0) {
    input.status = InputBytes::Status::NotRead;
    input.error = got < 0 ? file.error() : 0;
    input.bytes.clear();
    return input;
  }
  input.bytes.resize(std::size_t(got));
  input.bytes.shrink_to_fit();
  input.status = InputBytes::Status::Read;
  return input;
}

std::optional<Refusal> BatchStartRefusal(const ProjectionJob& job) {
  if (auto refusal = CheckParameters(job, true)) return refusal;
  const RawFiles raw;  // where a batch without a sink of its own writes
  const ImageSink* const sink = job.batch.sink != nullptr ? job.batch.sink : &raw;
  return OverwriteGuard(job, job.batch.span, *sink).FirstCollision();
}

std::optional<Refusal> ConvertFirstImage(ProjectionJob& job, std::span<const unsigned char> bytes) {
  return ConvertInto(job, bytes, true);
}

std::optional<Refusal> ConvertImage(const ConversionParameters& parameters,
                                    std::span<const unsigned char> file,
                                    std::span<std::int16_t> out, int threads,
                                    const FlatField* flat) {
  ProjectionJob job;
  job.SetParameters(parameters);
  job.batch.workerThreads = threads;
  job.UseFlatField(flat);
  if (auto refusal = ConvertInto(job, file, false)) return refusal;
  const std::uint64_t count = std::uint64_t(job.outSizeX) * std::uint64_t(job.outSizeY);
  if (out.size() < count) {
    return Refusal{RefusalKind::OutputTooSmall,
                   "The output buffer holds " + std::to_string(out.size()) + " samples, not the " +
                       std::to_string(count) + " of the output image"};
  }
  std::copy_n(job.outImage, count, out.begin());
  return std::nullopt;
}

}  // namespace projconv
