#include "cli/output_sink.h"

#include <QCoreApplication>

#include "containers/hdf5_stack.h"
#include "containers/tiff_sinks.h"
#include "preview/sequence_forecast.h"

namespace projconv {

namespace {

// What the pages of a TIFF stack are expected to take: the inputs that
// follow one another from the first number, each giving one image. A count
// that reaches its cap stands for a sequence too long to count.
std::uint64_t ExpectedStackBytes(const ConversionParameters& p) {
  const SequenceCount count = CountConsecutiveInputs(p.inFolder, p.inFormat, p.startNumber);
  const std::uint64_t image =
      2 * std::uint64_t(std::max(p.outSizeX, 0)) * std::uint64_t(std::max(p.outSizeY, 0));
  const std::uint64_t images = std::uint64_t(count.files) * (count.capped ? 100 : 1);
  return images * image;
}

}  // namespace

std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters) {
  const std::string file = choice.file.toStdString();
  switch (choice.type) {
    case OutputType::Raw:
      return nullptr;
    case OutputType::Tiff:
      return std::make_unique<TiffFiles>();
    case OutputType::TiffStack:
      return std::make_unique<TiffStack>(file, ExpectedStackBytes(parameters));
    case OutputType::Hdf5:
      return std::make_unique<Hdf5Stack>(file, parameters,
                                         QCoreApplication::applicationVersion().toStdString());
  }
  return nullptr;
}

}  // namespace projconv
