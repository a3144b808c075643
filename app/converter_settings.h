#pragma once

#include <QString>
#include <cstdint>

// The twenty-one values the converter remembers between runs, named as the
// dialog's members. A default-constructed value is what a first run starts
// with, when the settings file holds none of them.
struct ConverterSettings {
  QString inFolder = QStringLiteral("d:\\data");
  QString outFolder = QStringLiteral("d:\\data");
  QString inFormat = QStringLiteral("raw.%04i");
  QString outFormat = QStringLiteral("raw.%04i");
  std::int32_t headerLen = 0;
  std::int32_t startNumber = 0;
  std::int32_t sampleType = 0;  // 0 = 16-bit integer, 1 = 32-bit float
  std::int32_t byteOrder = 0;   // 0 = little endian, 1 = big endian
  std::int32_t signedness = 0;  // 0 = signed, 1 = unsigned
  std::int32_t inSizeX = 512;
  std::int32_t inSizeY = 512;
  std::int32_t outSizeX = 512;
  std::int32_t outSizeY = 512;
  std::int32_t cropLeft = 0;
  std::int32_t cropTop = 0;
  std::int32_t cropRight = 512;
  std::int32_t cropBottom = 512;
  std::int32_t rotCentreX = 256;
  std::int32_t rotCentreY = 256;
  float angle = 0.0f;  // degrees; stored 0
  float scale = 1.0f;  // factor for float samples; stored 1000

  bool operator==(const ConverterSettings&) const = default;
};
