#include "containers/output_sink.h"

#include "containers/background_sink.h"
#include "containers/hdf5_stack.h"
#include "containers/tiff_sinks.h"

namespace projconv {

namespace {

// Each container is written on a thread of its own while the next input is
// read, as raw files are written while their image is still being made.
std::unique_ptr<ImageSink> Overlapped(std::unique_ptr<ImageSink> sink) {
  return std::make_unique<BackgroundSink>(std::move(sink));
}

}  // namespace

std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters,
                                          std::uint64_t expectedBytes, const std::string& version,
                                          std::int64_t firstOutputNumber) {
  switch (choice.type) {
    case OutputType::Raw:
      return nullptr;
    case OutputType::Tiff:
      return Overlapped(std::make_unique<TiffFiles>());
    case OutputType::TiffStack:
      return Overlapped(std::make_unique<TiffStack>(choice.file, expectedBytes));
    case OutputType::Hdf5:
      return Overlapped(
          std::make_unique<Hdf5Stack>(choice.file, parameters, version, firstOutputNumber));
  }
  return nullptr;
}

}  // namespace projconv
