#pragma once

#include <array>
#include <cstddef>
#include <mutex>

#include "engine/posix_file.h"

namespace projconv {

// The output image written to its file piece by piece while the transform is
// still making the rest: each finished stretch of rows goes to its place in
// the file soon after, so writing overlaps converting. The file ends as one
// write of the whole image leaves it. Only for regular files, which can be
// written at any offset.
//
// One thread writes at a time. Writes to one file wait for each other in the
// kernel anyway, and a thread waiting there would sit idle instead of
// converting; so a thread that finishes a piece while another writes leaves
// it to that one, which writes it, joined to its neighbours, before it goes
// back to converting.
class StreamedOutput {
 public:
  StreamedOutput(PosixFile& file, const void* image, std::size_t bytes);

  // Has image bytes offset .. offset + length - 1, which must be final,
  // written before the last Put of the image returns. Any thread may call it.
  void Put(std::size_t offset, std::size_t length);

  // Writes whatever was not put (the whole image when the transform took a
  // path that puts nothing). False, with the file's error() set, if any
  // write failed.
  bool Finish();

 private:
  struct Piece {
    std::size_t offset, length;
  };
  static constexpr std::size_t kMostWaiting = 64;

  // Writes the pieces, joining neighbours; the bytes written and the errno
  // of the first failure, if any.
  std::size_t Write(Piece* pieces, std::size_t count, int& error) const;
  void Record(std::size_t written, int error);  // with mutex_ held

  PosixFile& file_;
  const unsigned char* image_;
  std::size_t bytes_;
  std::mutex mutex_;
  bool writing_ = false;                       // a thread is writing
  std::array<Piece, kMostWaiting> waiting_{};  // left to that thread
  std::size_t waitingCount_ = 0;
  std::size_t put_ = 0;  // bytes written so far
  int error_ = 0;        // errno of the first failed write
};

}  // namespace projconv
