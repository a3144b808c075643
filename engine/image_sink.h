#pragma once

// Where a batch puts its output images when they do not go to headerless
// files of their own: a container such as a TIFF or HDF5 file. The batch
// hands each image over as soon as it is made, in output order; a sink that
// fails ends the batch there, as a failed write of the raw file would.

#include <cstdint>
#include <span>
#include <string>

namespace projconv {

struct SinkFailure {
  std::string file;    // the file that could not be written, for the message
  int error = 0;       // errno, when the system gave one
  std::string reason;  // what the container's library said, when it gave no errno
};

class ImageSink {
 public:
  virtual ~ImageSink() = default;

  // Stores output image `number` (0 for the first of the batch): `samples`
  // holds width x height 16-bit samples, row by row. `rawName` is the file a
  // raw batch would have written it to. Returns true when stored; otherwise
  // fills `failure`.
  virtual bool Put(std::int64_t number, const std::string& rawName, std::int32_t width,
                   std::int32_t height, std::span<const std::int16_t> samples,
                   SinkFailure& failure) = 0;
};

}  // namespace projconv
