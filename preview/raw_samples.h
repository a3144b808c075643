#pragma once

// The samples of one input file's bytes, decoded for display the way the
// transform decodes them: 16-bit samples in the chosen byte order, an unsigned
// one halved, then read as signed; float samples as little-endian IEEE
// single precision. The scale factor is not applied: this is the input as it
// lies in the file.

#include <cstdint>
#include <span>

#include "engine/conversion_parameters.h"

namespace projconv {

class RawSamples {
 public:
  RawSamples(std::span<const unsigned char> bytes, std::int32_t headerLen, SampleType sampleType,
             ByteOrder byteOrder, Signedness signedness);

  // Sample k after the header. A sample the bytes do not reach (a short
  // file) reads as 0, as it does in the first image of a batch.
  double operator()(std::uint64_t k) const;

 private:
  double Int16At(std::uint64_t at) const;
  double FloatAt(std::uint64_t at) const;

  std::span<const unsigned char> bytes_;
  std::uint64_t header_;
  bool float_;
  bool bigEndian_;
  bool unsigned_;
};

}  // namespace projconv
