#include "sample/projection_file.h"

#include <cstdio>

#include "sample/sample_layout.h"

namespace projconv {

namespace sample {

std::string ProjectionName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "raw.%04d", index);
  return name;
}

std::string ProjectionHeader(int index, double angleDegrees) {
  char text[kHeaderBytes + 1] = {};
  std::snprintf(text, sizeof text,
                "PROJCONV-SAMPLE\n"
                "samples int16 little-endian signed\n"
                "size %d x %d\n"
                "header %d\n"
                "angle %.3f deg\n"
                "projection %d of %d\n",
                kWidth, kHeight, kHeaderBytes, angleDegrees, index + 1, kProjections);
  return std::string(text, kHeaderBytes);
}

std::string EncodeProjection(const std::string& header, const std::vector<std::int16_t>& samples) {
  std::string bytes = header;
  bytes.reserve(header.size() + 2 * samples.size());
  for (const std::int16_t sample : samples) {
    const auto word = static_cast<std::uint16_t>(sample);
    bytes.push_back(static_cast<char>(word & 0xFF));
    bytes.push_back(static_cast<char>(word >> 8));
  }
  return bytes;
}

}  // namespace sample

}  // namespace projconv
