#include "probe/sample_reading.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace projconv {

namespace {

// Projections hold attenuations, intensities or counts, far inside these.
constexpr double kSmallestPlausible = 1e-10;
constexpr double kLargestPlausible = 1e10;

double Int16Value(const unsigned char* at, const SampleReading& reading) {
  const unsigned first = at[0], second = at[1];
  const auto pattern = std::uint16_t(
      reading.byteOrder == ByteOrder::BigEndian ? first << 8 | second : second << 8 | first);
  if (reading.signedness == Signedness::Unsigned) return pattern >> 1;
  return static_cast<std::int16_t>(pattern) >> 1;
}

double FloatValue(const unsigned char* at) {
  const std::uint32_t bits = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                             std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  const double magnitude = std::abs(double(value));
  if (magnitude == 0.0) return 0.0;
  if (!std::isnormal(value) || magnitude < kSmallestPlausible || magnitude > kLargestPlausible) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return value;
}

}  // namespace

std::vector<SampleReading> ReadingsAllowed(int sampleBytes, const KnownLayout& known) {
  if (sampleBytes == 4) return {{SampleType::Float32}};
  std::vector<SampleReading> readings;
  for (const ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
    for (const Signedness signedness : {Signedness::Signed, Signedness::Unsigned}) {
      if ((!known.byteOrder || *known.byteOrder == order) &&
          (!known.signedness || *known.signedness == signedness)) {
        readings.push_back({SampleType::Integer16, order, signedness});
      }
    }
  }
  return readings;
}

void DecodeSamples(std::span<const unsigned char> bytes, const SampleReading& reading,
                   std::vector<double>& values) {
  const int size = reading.SampleBytes();
  values.resize(bytes.size() / std::size_t(size));
  const unsigned char* at = bytes.data();
  for (double& value : values) {
    value = size == 4 ? FloatValue(at) : Int16Value(at, reading);
    at += size;
  }
}

}  // namespace projconv
