#pragma once

#include <span>
#include <vector>

#include "engine/conversion_parameters.h"
#include "probe/raw_layout.h"

namespace projconv {

// One way a conversion can read a sample's bytes.
struct SampleReading {
  SampleType sampleType = SampleType::Integer16;
  ByteOrder byteOrder = ByteOrder::LittleEndian;  // 16-bit samples only
  Signedness signedness = Signedness::Signed;     // 16-bit samples only

  int SampleBytes() const { return sampleType == SampleType::Float32 ? 4 : 2; }
};

// The readings of samples of `sampleBytes` bytes that agree with `known`:
// for 16-bit samples both byte orders and both signednesses, for floats the
// one little-endian reading.
std::vector<SampleReading> ReadingsAllowed(int sampleBytes, const KnownLayout& known);

// The samples in `bytes` as `reading` sees them, into `values`.
//
// 16-bit samples are decoded as the conversion decodes them (an unsigned one
// halved, then taken as signed), and a signed one is halved here too: in
// steps of two, a picture that never crosses the halfway point reads exactly
// alike signed and unsigned, and differences compare across the four
// readings.
//
// A float that no projection holds (NaN, an infinity, a subnormal number, a
// magnitude beyond 1e10 or below 1e-10 other than zero) reads as NaN.
void DecodeSamples(std::span<const unsigned char> bytes, const SampleReading& reading,
                   std::vector<double>& values);

}  // namespace projconv
