#include "engine/internal/streamed_output.h"

#include <algorithm>

namespace projconv {

StreamedOutput::StreamedOutput(PosixFile& file, const std::string& name, const void* image,
                               std::size_t bytes)
    : file_(file),
      name_(name),
      image_(static_cast<const unsigned char*>(image)),
      bytes_(bytes),
      body_(bytes > 0 ? bytes - 1 : 0) {}

void StreamedOutput::Put(std::size_t offset, std::size_t length) {
  std::unique_lock lock(mutex_);
  // Rare: many pieces are left already. This one waits for the writer.
  writerDone_.wait(lock, [this] { return !writing_ || waitingCount_ < kMostWaiting; });
  if (writing_) {
    waiting_[waitingCount_++] = {offset, length};
    return;
  }
  writing_ = true;
  Piece pieces[kMostWaiting + 1];
  pieces[0] = {offset, length};
  std::size_t count = 1;
  for (;;) {
    lock.unlock();
    OpenOnce();
    int error = 0;
    const std::size_t written = regular_ ? Write(pieces, count, error) : 0;
    lock.lock();
    if (error != 0 && error_ == 0) error_ = error;
    put_ += written;
    if (waitingCount_ == 0) break;
    count = waitingCount_;
    std::copy_n(waiting_.begin(), count, pieces);
    waitingCount_ = 0;
    writerDone_.notify_all();  // room again for any piece waiting for it
  }
  writing_ = false;
  writerDone_.notify_all();
}

void StreamedOutput::OpenOnce() {
  if (openTried_) return;
  openTried_ = true;
  opened_ = file_.OpenForWriting(name_, body_);
  regular_ = opened_ && file_.IsRegularFile();
}

bool StreamedOutput::Open() {
  OpenOnce();
  return opened_;
}

std::optional<SinkFailure> StreamedOutput::Complete(bool made, std::int64_t image) {
  const bool opened = Open();
  bool written = false;
  if (Streams()) {
    written = made && Finish() && file_.Close();
  } else {
    written = made && opened && file_.Write(image_, bytes_) && file_.Close();
  }
  if (!opened || !written) return SinkFailure{name_, file_.error(), {}, image};
  return std::nullopt;
}

std::size_t StreamedOutput::Write(Piece* pieces, std::size_t count, int& error) const {
  std::sort(pieces, pieces + count,
            [](const Piece& a, const Piece& b) { return a.offset < b.offset; });
  std::size_t written = 0;
  for (std::size_t k = 0; k < count;) {
    Piece joined = pieces[k++];
    while (k < count && pieces[k].offset == joined.offset + joined.length)
      joined.length += pieces[k++].length;
    written += joined.length;
    if (joined.offset >= body_) continue;  // only the last byte, which waits
    const std::size_t length = std::min(joined.offset + joined.length, body_) - joined.offset;
    const int failed = file_.WriteAt(image_ + joined.offset, length, joined.offset);
    if (failed != 0 && error == 0) error = failed;
  }
  return written;
}

bool StreamedOutput::Finish() {
  // Pieces cover the image exactly once, so a count short of the whole means
  // none went out; writing the whole again would only repeat the same bytes.
  if (error_ == 0 && put_ != bytes_) error_ = file_.WriteAt(image_, body_, 0);
  if (error_ == 0 && bytes_ > body_) error_ = file_.WriteAt(image_ + body_, 1, body_);
  if (error_ != 0) file_.NoteError(error_);
  return error_ == 0;
}

}  // namespace projconv
