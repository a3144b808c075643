#include "containers/output_sink.h"

#include "containers/hdf5_stack.h"
#include "containers/tiff_sinks.h"

namespace projconv {

std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters,
                                          std::uint64_t expectedBytes, const std::string& version) {
  switch (choice.type) {
    case OutputType::Raw:
      return nullptr;
    case OutputType::Tiff:
      return std::make_unique<TiffFiles>();
    case OutputType::TiffStack:
      return std::make_unique<TiffStack>(choice.file, expectedBytes);
    case OutputType::Hdf5:
      return std::make_unique<Hdf5Stack>(choice.file, parameters, version);
  }
  return nullptr;
}

}  // namespace projconv
