#include "engine/internal/streamed_output.h"

#include <algorithm>

namespace projconv {

StreamedOutput::StreamedOutput(PosixFile& file, const void* image, std::size_t bytes)
    : file_(file), image_(static_cast<const unsigned char*>(image)), bytes_(bytes) {}

void StreamedOutput::Put(std::size_t offset, std::size_t length) {
  std::unique_lock lock(mutex_);
  if (writing_ && waitingCount_ < kMostWaiting) {
    waiting_[waitingCount_++] = {offset, length};
    return;
  }
  Piece pieces[kMostWaiting + 1];
  pieces[0] = {offset, length};
  std::size_t count = 1;
  if (writing_) {
    // Enough left waiting already: this one goes out alongside.
    lock.unlock();
    int error = 0;
    const std::size_t written = Write(pieces, count, error);
    lock.lock();
    Record(written, error);
    return;
  }
  writing_ = true;
  for (;;) {
    lock.unlock();
    int error = 0;
    const std::size_t written = Write(pieces, count, error);
    lock.lock();
    Record(written, error);
    if (waitingCount_ == 0) break;
    count = waitingCount_;
    std::copy_n(waiting_.begin(), count, pieces);
    waitingCount_ = 0;
  }
  writing_ = false;
}

std::size_t StreamedOutput::Write(Piece* pieces, std::size_t count, int& error) const {
  std::sort(pieces, pieces + count,
            [](const Piece& a, const Piece& b) { return a.offset < b.offset; });
  std::size_t written = 0;
  for (std::size_t k = 0; k < count;) {
    Piece joined = pieces[k++];
    while (k < count && pieces[k].offset == joined.offset + joined.length)
      joined.length += pieces[k++].length;
    const int failed = file_.WriteAt(image_ + joined.offset, joined.length, joined.offset);
    if (failed != 0 && error == 0) error = failed;
    written += joined.length;
  }
  return written;
}

void StreamedOutput::Record(std::size_t written, int error) {
  if (error != 0 && error_ == 0) error_ = error;
  put_ += written;
}

bool StreamedOutput::Finish() {
  // Pieces cover the image exactly once, so a count short of the whole means
  // none went out; writing the whole again would only repeat the same bytes.
  if (error_ == 0 && put_ != bytes_) error_ = file_.WriteAt(image_, bytes_, 0);
  if (error_ != 0) file_.NoteError(error_);
  return error_ == 0;
}

}  // namespace projconv
