#pragma once

// The values of a small raw batch for a test. Only where the files are and
// the size: the rest (the names, the sample layout, the centre, the angle,
// the first number) keeps what the values held, so that a test still sets
// for itself what it is about.

#include <cstdint>
#include <string>

#include "engine/conversion_parameters.h"

namespace projconv {

namespace test_support {

// Inputs of `width` x `height` read from `inFolder`, the whole of each
// cropped and written at the same size to `outFolder`.
inline void FillRawBatch(ConversionParameters& values, const std::string& inFolder,
                         const std::string& outFolder, std::int32_t width, std::int32_t height) {
  values.inFolder = inFolder;
  values.outFolder = outFolder;
  values.inSizeX = values.outSizeX = values.cropRight = width;
  values.inSizeY = values.outSizeY = values.cropBottom = height;
  values.cropLeft = values.cropTop = 0;
}

}  // namespace test_support

}  // namespace projconv
