#include "engine/internal/streamed_output.h"

namespace projconv {

StreamedOutput::StreamedOutput(PosixFile& file, const void* image, std::size_t bytes)
    : file_(file), image_(static_cast<const unsigned char*>(image)), bytes_(bytes) {}

void StreamedOutput::Put(std::size_t offset, std::size_t length) {
  const int error = file_.WriteAt(image_ + offset, length, offset);
  const std::lock_guard lock(mutex_);
  if (error != 0 && error_ == 0) error_ = error;
  put_ += length;
}

bool StreamedOutput::Finish() {
  // Pieces cover the image exactly once, so a count short of the whole means
  // none went out; writing the whole again would only repeat the same bytes.
  if (error_ == 0 && put_ != bytes_) error_ = file_.WriteAt(image_, bytes_, 0);
  if (error_ != 0) file_.NoteError(error_);
  return error_ == 0;
}

}  // namespace projconv
