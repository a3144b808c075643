#pragma once

// The converter dialog's members: the values while the dialog is open. The
// members from sampleType to scale stand in the order of the matching fields
// of ProjectionJob, which Convert copies one by one. The members bound to
// hidden controls, and the copies of the output size, only take part in the
// exchange; nothing else reads them.

#include <cstdint>
#include <string>

struct ConverterValues {
  std::string inFolder;  // UTF-8, like every text here
  std::string outFolder;
  std::string inFormat = "raw.%04i";
  std::string outFormat = "raw.%04i";
  std::int32_t spare1014 = 0;
  std::int32_t startNumber = 0;
  std::int32_t cropFileHeader = 0;
  std::int32_t headerLen = 0;
  std::int32_t zoomOutByTwo = 0;
  std::int32_t progress = 0;
  std::int32_t outSizeXCopy = 1024;
  std::int32_t outSizeYCopy = 1024;
  std::int32_t spare1034 = 0;
  std::int32_t spare1035 = 0;
  std::int32_t spare1036 = 1024;
  std::int32_t spare1037 = 1024;
  std::int32_t yesFlag = 0;
  std::int32_t transposition = 0;
  // The settings fill these in before the dialog opens; until then they hold
  // zeros rather than whatever the memory held.
  std::int32_t sampleType = 0;  // radio index: 0 integer 16 bits, 1 float 32 bits
  std::int32_t byteOrder = 0;   // radio index: 0 little endian, 1 big endian
  std::int32_t signedness = 0;  // radio index: 0 signed, 1 unsigned
  std::int32_t inSizeX = 0;
  std::int32_t inSizeY = 0;
  std::int32_t outSizeX = 0;
  std::int32_t outSizeY = 0;
  std::int32_t cropRight = 0;
  std::int32_t cropBottom = 0;
  std::int32_t rotCentreX = 0;
  float angle = 0.0f;  // degrees
  std::int32_t cropLeft = 0;
  std::int32_t cropTop = 0;
  std::int32_t rotCentreY = 0;
  float scale = 1.0f;  // factor for float samples

  bool operator==(const ConverterValues&) const = default;
};
