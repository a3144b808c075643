#pragma once

// Shared pieces of the preview tests: a temporary folder with real files,
// reproducible raw images, and a real batch to hold the preview against.

#include <cstdint>
#include <string>
#include <vector>

#include "form/converter_values.h"
#include "tests/support/parameter_printing.h"
#include "tests/support/temp_folder.h"

namespace projconv {

namespace preview_test {

using Bytes = test_support::Bytes;

using test_support::TempFolder;

// Reproducible bytes covering every value.
Bytes ScrambledBytes(std::size_t count, std::uint32_t seed);
// Little-endian floats spread over -limit .. limit, with a NaN and
// infinities among them.
Bytes ScrambledFloatBytes(std::size_t count, std::uint32_t seed, float limit);
// The bytes of 16-bit samples as an output file holds them.
Bytes LittleEndian(const std::vector<std::int16_t>& samples);

// Values that read "raw.%04i" from folder/in and write "out.%04i" to
// folder/out: 16-bit signed little-endian, no header, the whole input of
// width x height cropped to the same output size, centre in the middle.
ConverterValues PlainValues(const TempFolder& folder, std::int32_t width, std::int32_t height);

// What a batch on a job filled with `values` shows and writes first.
struct BatchOutcome {
  bool refused = false;
  std::string firstMessage;
  Bytes firstOutput;  // the first output file's bytes, when written
};
BatchOutcome RunBatchOn(const ConverterValues& values);

}  // namespace preview_test

}  // namespace projconv
