#pragma once

// The engine's own output: each image in a headerless file of its own at its
// raw name, 2 * width * height bytes, row by row, little-endian samples. The
// rows go to the file while the rest of the image is still being made, so
// writing overlaps converting (see engine/internal/streamed_output.h for how
// a file never has its full length unless it is whole).

#include <memory>

#include "engine/image_sink.h"

namespace projconv {

class RawFiles final : public ImageSink {
 public:
  RawFiles();
  ~RawFiles() override;

  bool StreamsRows() const override { return true; }
  bool StoresInPut() const override { return true; }
  RowStream* StreamRows(std::int64_t number, const std::string& rawName,
                        std::span<const std::int16_t> image) override;
  // Writes what the stream did not, then closes the file.
  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  bool HoldsWhole(const std::string& rawName, std::uint64_t imageBytes) const override;
  bool WritesRawNames() const override { return true; }

 private:
  struct OpenImage;
  std::unique_ptr<OpenImage> open_;  // the image whose rows are being written
};

}  // namespace projconv
