#pragma once

// The TIFF outputs: a file per image, or one file with a page per image.

#include <cstdint>
#include <string>

#include "containers/replaced_file.h"
#include "engine/image_sink.h"

typedef struct tiff TIFF;

namespace projconv {

// One TIFF per image, at the name the raw file would have.
class TiffFiles : public ImageSink {
 public:
  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  bool WritesRawNames() const override { return true; }
};

// One multi-page TIFF at `path`, written beside it and put in its place at
// the end (see replaced_file.h); a batch that stores no page leaves `path` as
// it was. Complete after every page. BigTIFF when the pages are expected to
// pass what a classic TIFF can address.
class TiffStack : public ImageSink {
 public:
  TiffStack(std::string path, std::uint64_t expectedBytes);
  ~TiffStack() override;
  TiffStack(const TiffStack&) = delete;
  TiffStack& operator=(const TiffStack&) = delete;

  bool Begin(SinkFailure& failure) override { return file_.Claim(failure); }
  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  bool Finish(SinkFailure& failure) override;
  std::string OneFile() const override { return path_; }

 private:
  std::string path_;
  bool big_;
  ReplacedFile file_;
  TIFF* tiff_ = nullptr;
  std::int64_t pages_ = 0;
};

}  // namespace projconv
