#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "engine/image_sink.h"
#include "engine/posix_file.h"

namespace projconv {

// The output image written to its file piece by piece while the transform is
// still making the rest: each finished stretch of rows goes to its place in
// the file soon after, so writing overlaps converting. The file ends as one
// write of the whole image leaves it.
//
// One thread writes at a time. Writes to one file wait for each other in the
// kernel anyway, and a thread waiting there would sit idle instead of
// converting; so a thread that finishes a piece while another writes leaves
// it to that one, which writes it, joined to its neighbours, before it goes
// back to converting. The first to write also opens the file, while the
// others go on.
//
// An existing output is written over in place rather than truncated first:
// freeing all its pages and obtaining them again took longer than writing
// them. So that the file's length still tells whether it is whole (a resumed
// run keeps any output of full length), it is first cut to one byte short
// of the image, if longer, and that last byte is written after everything
// else: the file never has its full length while it holds anything but the
// whole image.
//
// Pieces go to the file only when it is a regular file, which can be written
// at any offset; anything else (a FIFO, a device) gets the whole image from
// the caller, after the transform.
class StreamedOutput final : public RowStream {
 public:
  // `file` is opened for writing at `name` by the first piece, or by Open.
  StreamedOutput(PosixFile& file, const std::string& name, const void* image, std::size_t bytes);

  // Has image bytes offset .. offset + length - 1, which must be final,
  // written before the last Put of the image returns. Any thread may call it.
  void Put(std::size_t offset, std::size_t length) override;

  // After the transform: opens the file if no piece did; whether it opened.
  // The file's error() tells why not.
  bool Open();
  // Whether the pieces went to the file: it opened as a regular file.
  bool Streams() const { return regular_; }

  // After the image is made (or failed to be, `made` false): writes what is
  // left, to a file that is not regular the whole image, and closes the
  // file. What went wrong, if anything, for output number `image`.
  std::optional<SinkFailure> Complete(bool made, std::int64_t image);

  // Writes whatever was not put (the whole image when the transform took a
  // path that puts nothing), and then the last byte. False, with the file's
  // error() set, if any write failed. Only where Streams().
  bool Finish();

 private:
  struct Piece {
    std::size_t offset, length;
  };
  static constexpr std::size_t kMostWaiting = 64;

  // Only the writing thread, or the caller once the transform is done,
  // touches the file.
  void OpenOnce();
  // Writes the pieces, joining neighbours; the bytes written and the errno
  // of the first failure, if any.
  std::size_t Write(Piece* pieces, std::size_t count, int& error) const;

  PosixFile& file_;
  const std::string& name_;
  const unsigned char* image_;
  std::size_t bytes_;
  std::size_t body_;  // all but the last byte, which Finish writes
  bool openTried_ = false;
  bool opened_ = false;
  bool regular_ = false;

  std::mutex mutex_;
  std::condition_variable writerDone_;
  bool writing_ = false;                       // a thread is writing
  std::array<Piece, kMostWaiting> waiting_{};  // left to that thread
  std::size_t waitingCount_ = 0;
  std::size_t put_ = 0;  // bytes written so far
  int error_ = 0;        // errno of the first failed write
};

}  // namespace projconv
