#pragma once

// The HDF5 output: every image in one dataset, /exchange/data, of shape
// (images, height, width) and 16-bit signed integers, one image per chunk,
// grown as each image comes and flushed after it, so that the file is
// complete up to the last image whatever ends the batch. The conversion's
// parameters, the program's version and the output number of the first
// image stand as attributes of the dataset, and so does the flat-field
// correction of a batch that corrects (containers/correction_record.h).
// The file is written beside `path` and put in its place at the end (see
// replaced_file.h).

#include <cstdint>
#include <string>

#include "containers/replaced_file.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/image_sink.h"

namespace projconv {

class Hdf5Stack : public ImageSink {
 public:
  Hdf5Stack(std::string path, ConversionParameters parameters, std::string version,
            std::int64_t firstOutputNumber, CorrectionParameters correction = {});
  ~Hdf5Stack() override;
  Hdf5Stack(const Hdf5Stack&) = delete;
  Hdf5Stack& operator=(const Hdf5Stack&) = delete;

  bool Begin(SinkFailure& failure) override { return replaced_.Claim(failure); }
  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  bool Finish(SinkFailure& failure) override;
  std::string OneFile() const override { return path_; }

 private:
  bool Create(std::int32_t width, std::int32_t height);
  bool Store(std::int32_t width, std::int32_t height, std::span<const std::int16_t> samples);
  void Close();

  std::string path_;
  ReplacedFile replaced_;
  ConversionParameters parameters_;
  std::string version_;
  std::int64_t firstOutputNumber_;
  CorrectionParameters correction_;
  std::int64_t file_ = -1;  // hid_t, kept out of this header
  std::int64_t dataset_ = -1;
  std::uint64_t images_ = 0;
};

}  // namespace projconv
