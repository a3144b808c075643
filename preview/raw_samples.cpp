#include "preview/raw_samples.h"

#include <cstring>

namespace projconv {

RawSamples::RawSamples(std::span<const unsigned char> bytes, std::int32_t headerLen,
                       SampleType sampleType, ByteOrder byteOrder, Signedness signedness)
    : bytes_(bytes),
      header_(headerLen > 0 ? std::uint64_t(headerLen) : 0),
      float_(sampleType == SampleType::Float32),
      bigEndian_(byteOrder == ByteOrder::BigEndian),
      unsigned_(signedness == Signedness::Unsigned) {}

double RawSamples::operator()(std::uint64_t k) const {
  return float_ ? FloatAt(header_ + 4 * k) : Int16At(header_ + 2 * k);
}

double RawSamples::Int16At(std::uint64_t at) const {
  if (at + 2 > bytes_.size()) return 0.0;
  const unsigned first = bytes_[at], second = bytes_[at + 1];
  std::uint16_t pattern =
      bigEndian_ ? std::uint16_t(first << 8 | second) : std::uint16_t(second << 8 | first);
  if (unsigned_) pattern = std::uint16_t(pattern >> 1);
  return static_cast<std::int16_t>(pattern);
}

double RawSamples::FloatAt(std::uint64_t at) const {
  if (at + 4 > bytes_.size()) return 0.0;
  const std::uint32_t bits = std::uint32_t(bytes_[at]) | std::uint32_t(bytes_[at + 1]) << 8 |
                             std::uint32_t(bytes_[at + 2]) << 16 |
                             std::uint32_t(bytes_[at + 3]) << 24;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace projconv
