#pragma once

#include <cstddef>
#include <mutex>

#include "engine/posix_file.h"

namespace projconv {

// The output image written to its file piece by piece while the transform is
// still making the rest: each finished stretch of rows goes to its place in
// the file at once, so writing overlaps converting. The file ends as one
// write of the whole image leaves it. Only for regular files, which can be
// written at any offset.
class StreamedOutput {
 public:
  StreamedOutput(PosixFile& file, const void* image, std::size_t bytes);

  // Writes image bytes offset .. offset + length - 1, which must be final.
  // Any thread may call it.
  void Put(std::size_t offset, std::size_t length);

  // Writes whatever was not put (the whole image when the transform took a
  // path that puts nothing). False, with the file's error() set, if any
  // write failed.
  bool Finish();

 private:
  PosixFile& file_;
  const unsigned char* image_;
  std::size_t bytes_;
  std::mutex mutex_;
  std::size_t put_ = 0;  // bytes written so far
  int error_ = 0;        // errno of the first failed write
};

}  // namespace projconv
