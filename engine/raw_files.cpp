#include "engine/raw_files.h"

#include <sys/stat.h>

#include "engine/internal/streamed_output.h"
#include "engine/posix_file.h"

namespace projconv {

struct RawFiles::OpenImage {
  OpenImage(std::int64_t n, const std::string& rawName, std::span<const std::int16_t> image)
      : number(n), name(rawName), stream(file, name, image.data(), image.size_bytes()) {}

  std::int64_t number;
  std::string name;  // the stream keeps a reference to it
  PosixFile file;
  StreamedOutput stream;
};

RawFiles::RawFiles() = default;
RawFiles::~RawFiles() = default;

RowStream* RawFiles::StreamRows(std::int64_t number, const std::string& rawName,
                                std::span<const std::int16_t> image) {
  open_.reset();  // an image that was never put (its making failed) is left as it is
  open_ = std::make_unique<OpenImage>(number, rawName, image);
  return &open_->stream;
}

bool RawFiles::Put(std::int64_t number, const std::string& rawName, std::int32_t width,
                   std::int32_t height, std::span<const std::int16_t> samples,
                   SinkFailure& failure) {
  const std::size_t count = std::size_t(width) * std::size_t(height);
  if (open_ == nullptr || open_->number != number || open_->name != rawName)
    StreamRows(number, rawName, samples.first(count));
  const std::optional<SinkFailure> failed = open_->stream.Complete(true, number);
  open_.reset();
  if (!failed) return true;
  failure = *failed;
  return false;
}

// A regular file of exactly the image's length: a stopped run finished it,
// since a file being written never has its full length.
bool RawFiles::HoldsWhole(const std::string& rawName, std::uint64_t imageBytes) const {
  struct stat info {};
  return ::stat(rawName.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         std::uint64_t(info.st_size) == imageBytes;
}

}  // namespace projconv
