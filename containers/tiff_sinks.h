#pragma once

// The TIFF outputs: a file per image, or one file with a page per image.

#include <cstdint>
#include <string>

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

// One multi-page TIFF at `path`, made at the first image (a batch refused or
// ended before it leaves no file) and complete after every page. BigTIFF when
// the pages are expected to pass what a classic TIFF can address.
class TiffStack : public ImageSink {
 public:
  TiffStack(std::string path, std::uint64_t expectedBytes);
  ~TiffStack() override;
  TiffStack(const TiffStack&) = delete;
  TiffStack& operator=(const TiffStack&) = delete;

  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  std::string OneFile() const override { return path_; }

 private:
  std::string path_;
  bool big_;
  TIFF* tiff_ = nullptr;
};

}  // namespace projconv
