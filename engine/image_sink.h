#pragma once

// Where a batch puts its output images: headerless files of their own (the
// engine's RawFiles), or a container such as a TIFF or HDF5 file. The batch
// hands each image over as soon as it is made, in output order; a sink that
// fails ends the batch there.
//
// A sink that writes each image to a file of its own may take the image's
// rows while the rest is still being made (StreamRows): the transform then
// hands it each stretch of rows as soon as they are final, and Put follows
// as for any sink.
//
// A sink may store an image after Put has returned, while the batch reads
// the next input, so a failure can come to light one call late: Put or
// Finish then tells of the image put before, and the batch counts only the
// images before the failed one as written.

#include <cstddef>
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

// Where the finished rows of one output image go while the rest is made.
// Any thread of the transform may call Put; together the calls cover the
// image exactly once.
class RowStream {
 public:
  // Bytes offset .. offset + length - 1 of the image are final.
  virtual void Put(std::size_t offset, std::size_t length) = 0;

 protected:
  ~RowStream() = default;
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

  // Whether the sink takes rows before the image is whole (StreamRows gives
  // a stream): a batch that copies windows straight from the input files
  // then reads them into the output image and hands them over row by row.
  virtual bool StreamsRows() const { return false; }

  // Called before image `number` is made into `image` (its samples, which
  // stay where they are until Put returns): where its finished rows go, or
  // null when the sink takes whole images only.
  virtual RowStream* StreamRows(std::int64_t number, const std::string& rawName,
                                std::span<const std::int16_t> image) {
    (void)number;
    (void)rawName;
    (void)image;
    return nullptr;
  }

  // Whether every image is stored when Put returns, so that the batch may
  // tell of it at once.
  virtual bool StoresInPut() const { return false; }

  // Whether the output at `rawName` is one a stopped run finished whole,
  // which a rerun that keeps existing outputs keeps; only a sink that writes
  // whole files at the raw names can tell.
  virtual bool HoldsWhole(const std::string& rawName, std::uint64_t imageBytes) const {
    (void)rawName;
    (void)imageBytes;
    return false;
  }

  // Where the images go, so that the batch can make sure no output replaces
  // an input it has yet to read: a file per image at the raw names, or the
  // one file named here (empty when neither).
  virtual bool WritesRawNames() const { return false; }
  virtual std::string OneFile() const { return {}; }
};

}  // namespace projconv
