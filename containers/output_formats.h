#pragma once

// The output formats, one row each: what the command line, the settings, the
// dialog and the sidecar call a format and what they allow for it, and how
// its sink is made. Everything that lists or tells formats apart reads it, so
// a new format is its OutputType, its sink and one row.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "containers/output_choice.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/image_sink.h"

namespace projconv {

// What a batch tells the sink it makes; see MakeOutputSink.
struct SinkOrder {
  const OutputChoice& choice;
  const ConversionParameters& parameters;
  std::uint64_t expectedBytes;
  const std::string& version;
  std::int64_t firstOutputNumber;
  // The flats and darks the images are corrected with (none when not
  // Enabled), recorded by the containers that hold parameters.
  const CorrectionParameters& correction;
};

struct OutputFormat {
  OutputType type;
  std::string_view name;   // on the command line, in the settings and the sidecar
  std::string_view label;  // in the dialog's type list and its messages
  // What the file picker offers for the one file ("TIFF files") and the
  // endings it lists, the one it suggests first; empty for a file per image.
  std::string_view fileKind;
  std::array<std::string_view, 2> suffixes;
  bool singleFile;  // all images go to one file, which the user names
  // A headerless file per image that the batch writes itself: only such a
  // file's size tells that it is whole, so only these can be kept from an
  // earlier run; a MetaImage header can present them as one image; and no
  // container's layout depends on how much the batch will write.
  bool rawFiles;
  // What --help says of it after its name, in parentheses; a row with none
  // is told together with the next ("tiff-stack or hdf5 (...)").
  std::string_view help;
  std::unique_ptr<ImageSink> (*makeSink)(const SinkOrder& order);
};

// Every format, in the order the dialog and the help list them; Raw first.
std::span<const OutputFormat> OutputFormats();
const OutputFormat& FormatOf(OutputType type);

std::string_view OutputTypeName(OutputType type);
std::optional<OutputType> OutputTypeNamed(std::string_view name);
inline bool IsSingleFile(OutputType type) {
  return FormatOf(type).singleFile;
}
inline bool WritesRawFiles(OutputType type) {
  return FormatOf(type).rawFiles;
}

// `words` as a reader lists them: "a, b or c" for `separator` ", " and
// `last` " or "; "a" alone, or "" for none.
std::string Listed(const std::vector<std::string>& words, std::string_view separator,
                   std::string_view last);

// The names of the formats `pick` holds for (all of them without one),
// listed as by Listed.
std::string ListedNames(std::string_view separator, std::string_view last,
                        bool (*pick)(const OutputFormat&) = nullptr);

}  // namespace projconv
