#pragma once

// What a batch writes its output images as. Raw, the headerless file per
// image, is the default; the others hold exactly the same 16-bit samples.
// Everything else about each type stands in its row of output_formats.cpp.

namespace projconv {

enum class OutputType {
  Raw,        // one headerless file per image, named by the output pattern
  Tiff,       // one 16-bit TIFF per image, named as the raw file would be
  TiffStack,  // one multi-page TIFF, a page per image
  Hdf5,       // one HDF5 file, the images in /exchange/data
};

}  // namespace projconv
