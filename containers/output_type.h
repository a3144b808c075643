#pragma once

// What a batch writes its output images as. Raw, the headerless file per
// image, is the default; the others hold exactly the same 16-bit samples.

#include <optional>
#include <string>
#include <string_view>

namespace projconv {

enum class OutputType {
  Raw,        // one headerless file per image, named by the output pattern
  Tiff,       // one 16-bit TIFF per image, named as the raw file would be
  TiffStack,  // one multi-page TIFF, a page per image
  Hdf5,       // one HDF5 file, the images in /exchange/data
};

// "raw", "tiff", "tiff-stack", "hdf5".
std::string_view OutputTypeName(OutputType type);
std::optional<OutputType> OutputTypeNamed(std::string_view name);

// Whether the images go to one file that the user names.
inline bool IsSingleFile(OutputType type) {
  return type == OutputType::TiffStack || type == OutputType::Hdf5;
}

}  // namespace projconv
