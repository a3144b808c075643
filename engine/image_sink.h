#pragma once

// Where a batch puts its output images when they do not go to headerless
// files of their own: a container such as a TIFF or HDF5 file. The batch
// hands each image over as soon as it is made, in output order; a sink that
// fails ends the batch there, as a failed write of the raw file would.
//
// A sink may store an image after Put has returned, while the batch reads
// the next input, so a failure can come to light one call late: Put or
// Finish then tells of the image put before, and the batch counts only the
// images before the failed one as written.

#include <cstdint>
#include <span>
#include <string>

namespace projconv {

struct SinkFailure {
  std::string file;    // the file that could not be written, for the message
  int error = 0;       // errno, when the system gave one
  std::string reason;  // what the container's library said, when it gave no errno
  // The output number of the image that was not stored; every image before
  // it was. The batch fills in the number of the image it puts (for Finish,
  // the number the next image would have), so a sink that fails at once
  // need not set it.
  std::int64_t image = 0;
};

class ImageSink {
 public:
  virtual ~ImageSink() = default;

  // Called by the batch once it is sure to run, before it reads the first
  // input: a sink that cannot take this batch's images (another batch
  // writes its file) says so here, with `failure`, and nothing is converted.
  virtual bool Begin(SinkFailure& failure) {
    (void)failure;
    return true;
  }

  // Stores output image `number` (0 for the first of the batch): `samples`
  // holds width x height 16-bit samples, row by row, which the batch leaves
  // as they are until it calls ReleaseSamples or Finish. `rawName` is the
  // file a raw batch would have written it to. Returns true when the image
  // is stored or taken to be stored; otherwise fills `failure`, about this
  // image or the one put before it.
  virtual bool Put(std::int64_t number, const std::string& rawName, std::int32_t width,
                   std::int32_t height, std::span<const std::int16_t> samples,
                   SinkFailure& failure) = 0;

  // Called by the batch before it makes the next image where the samples of
  // the last Put are: returns once the sink reads them no more. False, with
  // `failure`, when that image could not be stored.
  virtual bool ReleaseSamples(SinkFailure& failure) {
    (void)failure;
    return true;
  }

  // Called by the batch at its end, whatever the end: returns once every
  // image taken is stored, leaving the container complete and readable up
  // to the last of them, in its place. False, with `failure` filled, when
  // one of them could not be stored (again if Put has told it already) or
  // the container could not be put in its place.
  virtual bool Finish(SinkFailure& failure) {
    (void)failure;
    return true;
  }

  // Where the images go, so that the batch can make sure no output replaces
  // an input it has yet to read: a file per image at the raw names, or the
  // one file named here (empty when neither).
  virtual bool WritesRawNames() const { return false; }
  virtual std::string OneFile() const { return {}; }
};

}  // namespace projconv
