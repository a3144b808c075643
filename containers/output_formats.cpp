#include "containers/output_formats.h"

#include "containers/background_sink.h"
#include "containers/hdf5_stack.h"
#include "containers/tiff_sinks.h"
#include "engine/raw_files.h"

namespace projconv {

namespace {

// Each container is written on a thread of its own while the next input is
// read, as raw files are written while their image is still being made.
std::unique_ptr<ImageSink> Overlapped(std::unique_ptr<ImageSink> sink) {
  return std::make_unique<BackgroundSink>(std::move(sink));
}

// The batch writes raw files itself, with no sink.
// Written by the engine's own sink, which takes each image's rows while the
// image is still being made: that overlaps writing with converting already.
std::unique_ptr<ImageSink> RawSink(const SinkOrder&) {
  return std::make_unique<RawFiles>();
}

std::unique_ptr<ImageSink> TiffFilesSink(const SinkOrder&) {
  return Overlapped(std::make_unique<TiffFiles>());
}

std::unique_ptr<ImageSink> TiffStackSink(const SinkOrder& order) {
  return Overlapped(std::make_unique<TiffStack>(order.choice.file, order.expectedBytes));
}

std::unique_ptr<ImageSink> Hdf5Sink(const SinkOrder& order) {
  return Overlapped(std::make_unique<Hdf5Stack>(order.choice.file, order.parameters, order.version,
                                                order.firstOutputNumber, order.correction));
}

constexpr OutputFormat kFormats[] = {
    {OutputType::Raw,
     "raw",
     "Raw files",
     "",
     {},
     false,
     true,
     "headerless files, the default",
     RawSink},
    {OutputType::Tiff,
     "tiff",
     "TIFF files",
     "",
     {},
     false,
     false,
     "a 16-bit TIFF per image, named as the raw file would be",
     TiffFilesSink},
    {OutputType::TiffStack,
     "tiff-stack",
     "TIFF stack",
     "TIFF files",
     {".tif", ".tiff"},
     true,
     false,
     "",
     TiffStackSink},
    {OutputType::Hdf5,
     "hdf5",
     "HDF5 file",
     "HDF5 files",
     {".h5", ".hdf5"},
     true,
     false,
     "every image in the one file --out-file names; HDF5 in /exchange/data",
     Hdf5Sink},
};

// A row per type, in the enum's order, so that FormatOf can index the table.
constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    if (kFormats[i].type != OutputType(i)) return false;
  }
  return kFormats[0].type == OutputType::Raw;  // OutputChoice's default
}
static_assert(InEnumOrder(), "one row per OutputType, in its order, the default first");

}  // namespace

std::span<const OutputFormat> OutputFormats() {
  return kFormats;
}

const OutputFormat& FormatOf(OutputType type) {
  const auto row = static_cast<std::size_t>(type);
  return row < std::size(kFormats) ? kFormats[row] : kFormats[0];
}

std::string_view OutputTypeName(OutputType type) {
  return FormatOf(type).name;
}

std::optional<OutputType> OutputTypeNamed(std::string_view name) {
  for (const OutputFormat& format : kFormats) {
    if (format.name == name) return format.type;
  }
  return std::nullopt;
}

std::string Listed(const std::vector<std::string>& words, std::string_view separator,
                   std::string_view last) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? last : separator;
    text += words[i];
  }
  return text;
}

std::string ListedNames(std::string_view separator, std::string_view last,
                        bool (*pick)(const OutputFormat&)) {
  std::vector<std::string> names;
  for (const OutputFormat& format : kFormats) {
    if (pick == nullptr || pick(format)) names.emplace_back(format.name);
  }
  return Listed(names, separator, last);
}

}  // namespace projconv
