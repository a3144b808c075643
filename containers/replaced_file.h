#pragma once

// The one file of a TIFF stack or an HDF5 output is never written in place.
// A batch writes it under a name of its own beside it, TARGET.partial, and
// puts it in TARGET's place, in one rename, when the batch ends, however it
// ends: a reader of TARGET sees the old file (or none) until then, and the
// whole new one after. A batch killed midway leaves TARGET as it was and the
// .partial file, which the next batch of the same TARGET takes over.
//
// The batch holds an exclusive lock on the .partial file from before its
// first image to its end, so two batches never write one file: the second
// is refused before it converts anything.

#include <string>

#include "engine/image_sink.h"

namespace projconv {

class ReplacedFile {
 public:
  explicit ReplacedFile(std::string target);
  ~ReplacedFile();  // lets go of a file never settled, removing it
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  // Takes the .partial file for this batch, empty. False, with `failure`,
  // when another batch holds it or TARGET is not a file this batch may
  // replace.
  bool Claim(SinkFailure& failure);
  bool claimed() const { return lock_ >= 0; }

  // Where the container is written while the batch runs.
  const std::string& partial() const { return partial_; }

  // Puts the .partial file in TARGET's place when it holds images (`keep`),
  // or removes it, and lets go of the lock. False, with `failure`, when the
  // rename failed; the images are then left in the .partial file, which the
  // failure names. Does nothing the second time.
  bool Settle(bool keep, SinkFailure& failure);

 private:
  std::string target_;
  std::string partial_;
  int lock_ = -1;  // the .partial file, open and locked while claimed
};

}  // namespace projconv
