#pragma once

// Everything that decides what a conversion writes, and nothing about how it
// runs: the names of the files, the description of the raw input and the
// geometry. The settings file, the dialog, the command line and the preview
// all hold their values in this one type, and a job is filled from it.

#include <cstdint>
#include <string>

namespace projconv {

// The radio groups of the dialog and the numbers in the settings file. A
// stored number other than these is kept as it is (the dialog then shows no
// button of its group selected), so the enums may hold any 32-bit value.
enum class SampleType : std::int32_t { Integer16 = 0, Float32 = 1 };
enum class ByteOrder : std::int32_t { LittleEndian = 0, BigEndian = 1 };
enum class Signedness : std::int32_t { Signed = 0, Unsigned = 1 };

struct ConversionParameters {
  std::string inFolder;  // UTF-8, like every text here
  std::string outFolder;
  std::string inFormat;  // printf-style, one integer field: "raw.%04i"
  std::string outFormat;
  std::int32_t startNumber = 0;  // number of the first input file
  std::int32_t headerLen = 0;    // bytes before the samples of each input
  SampleType sampleType = SampleType::Integer16;
  ByteOrder byteOrder = ByteOrder::LittleEndian;
  Signedness signedness = Signedness::Signed;
  std::int32_t inSizeX = 0;
  std::int32_t inSizeY = 0;
  std::int32_t outSizeX = 0;
  std::int32_t outSizeY = 0;
  std::int32_t cropRight = 0;   // exclusive
  std::int32_t cropBottom = 0;  // exclusive
  std::int32_t rotCentreX = 0;
  float angle = 0.0f;         // degrees
  std::int32_t cropLeft = 0;  // inclusive
  std::int32_t cropTop = 0;   // inclusive
  std::int32_t rotCentreY = 0;
  float scale = 1.0f;  // factor for float samples

  bool operator==(const ConversionParameters&) const = default;
};

// The number a radio group or the settings file holds for `value`.
template <typename Choice>
constexpr std::int32_t ChoiceNumber(Choice value) {
  return static_cast<std::int32_t>(value);
}

}  // namespace projconv
