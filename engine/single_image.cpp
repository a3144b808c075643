#include "single_image.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "batch_reporter.h"
#include "name_pattern.h"
#include "posix_file.h"
#include "projection_job.h"

namespace {

// Keeps the first message a batch shows, and drops its progress.
class FirstMessage : public BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string&) override {
    if (!text_) text_ = text;
  }
  void PostProgress(std::int32_t) override {}
  std::string text() const { return text_.value_or("The conversion was refused"); }

 private:
  std::optional<std::string> text_;
};

// Header plus one image, as the batch reads it; nothing for parameters that
// the batch refuses before it would read (the same limits as its buffers).
std::optional<std::uint64_t> ReadLength(const ProjectionJob& job, std::string& why) {
  if (job.sampleType != 0 && job.sampleType != 1) {
    why = "Unknown input sample type " + std::to_string(job.sampleType);
    return std::nullopt;
  }
  if (job.inSizeX < 0 || job.inSizeY < 0 || job.headerLen < 0) {
    why = "Image sizes and the file header length must not be negative";
    return std::nullopt;
  }
  constexpr std::uint64_t kMaxBytes = std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max());
  const std::uint64_t n = std::uint64_t(job.inSizeX) * std::uint64_t(job.inSizeY);
  if (n > kMaxBytes / 20 - std::uint64_t(job.headerLen)) {
    why = "Memory allocation problem";
    return std::nullopt;
  }
  return std::uint64_t(job.headerLen) + (job.sampleType == 0 ? 2 : 4) * n;
}

// Where the batch reads a file of the job's sample type, and how many bytes
// of its buffer lie from there on; null when the buffers do not fit.
unsigned char* ReadArea(const ProjectionJob& job, std::uint64_t& room) {
  const std::uint64_t n = std::uint64_t(job.inSizeX) * std::uint64_t(job.inSizeY);
  if (job.sampleType == 0) {
    if (job.intReadArea == nullptr || job.intBuffer.size() < 2 * n) return nullptr;
    room = (job.intBuffer.size() - 2 * n) * sizeof(std::int16_t);
    return reinterpret_cast<unsigned char*>(job.intReadArea);
  }
  if (job.floatReadArea == nullptr || job.floatBuffer.size() < 2 * n) return nullptr;
  room = (job.floatBuffer.size() - 2 * n) * sizeof(float);
  return reinterpret_cast<unsigned char*>(job.floatReadArea);
}

// Points the job's messages at `reporter` for as long as it lives.
class Redirected {
 public:
  Redirected(ProjectionJob& job, BatchReporter& reporter) : job_(job), reporter_(job.dialog) {
    job.dialog = &reporter;
  }
  ~Redirected() { job_.dialog = reporter_; }
  Redirected(const Redirected&) = delete;
  Redirected& operator=(const Redirected&) = delete;

 private:
  ProjectionJob& job_;
  BatchReporter* reporter_;
};

}  // namespace

std::optional<std::string> FirstInputName(const ProjectionJob& job) {
  const std::optional<NamePattern> pattern = NamePattern::Parse(job.inFormat);
  if (!pattern) return std::nullopt;
  return JoinPath(job.inFolder, pattern->Format(job.startNumber));
}

InputBytes ReadInputBytes(const ProjectionJob& job, const std::string& name) {
  InputBytes input;
  const std::optional<std::uint64_t> length = ReadLength(job, input.message);
  if (!length) return input;
  input.readLength = *length;

  PosixFile file;
  if (!file.OpenForReading(name)) {
    input.status = InputBytes::Status::NotOpened;
    input.error = file.error();
    return input;
  }
  input.bytes.resize(std::size_t(*length));
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

std::optional<std::string> ConvertFirstImage(ProjectionJob& job,
                                             std::span<const unsigned char> bytes) {
  std::string why;
  const std::optional<std::uint64_t> length = ReadLength(job, why);
  FirstMessage message;
  {
    // The batch's own start: its checks, its buffers obtained and zeroed.
    const Redirected toMessage(job, message);
    if (!job.PrepareBatch()) return message.text();
  }
  if (!length) return why;
  if (bytes.empty()) return "The input file gave no bytes";

  std::uint64_t room = 0;
  unsigned char* const area = ReadArea(job, room);
  if (area == nullptr || room < *length || job.outImage == nullptr) {
    return "Memory allocation problem";
  }
  const std::size_t count = std::size_t(std::min<std::uint64_t>(bytes.size(), *length));
  std::memcpy(area, bytes.data(), count);
  job.TransformImage();
  return std::nullopt;
}
