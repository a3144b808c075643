#include "tests/probe/synthetic_raw.h"

#include <cmath>
#include <cstring>

namespace projconv {

namespace {

void Append16(std::vector<unsigned char>& bytes, std::uint16_t pattern, ByteOrder order) {
  const auto high = static_cast<unsigned char>(pattern >> 8);
  const auto low = static_cast<unsigned char>(pattern & 0xff);
  bytes.push_back(order == ByteOrder::BigEndian ? high : low);
  bytes.push_back(order == ByteOrder::BigEndian ? low : high);
}

void AppendFloat(std::vector<unsigned char>& bytes, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<unsigned char>(bits >> shift));
}

std::vector<unsigned char> Header(int length) {
  const std::string text = "projection 0042\nexposure 120 ms\n";
  std::vector<unsigned char> header(std::size_t(length), 0);
  for (std::size_t k = 0; k < header.size() && k < text.size(); ++k) header[k] = text[k];
  return header;
}

}  // namespace

std::vector<double> SmoothPicture(int width, int height) {
  struct Blob {
    double x, y, radius, weight;  // centre and radius in fractions of the picture
  };
  const Blob blobs[] = {{0.35, 0.4, 0.18, 0.55}, {0.62, 0.55, 0.25, 0.45}, {0.5, 0.25, 0.1, 0.3}};
  std::vector<double> picture;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = (x + 0.5) / width, v = (y + 0.5) / height;
      double value = 0.1 + 0.25 * u + 0.1 * v;
      for (const Blob& blob : blobs) {
        const double d2 = ((u - blob.x) * (u - blob.x) + (v - blob.y) * (v - blob.y)) /
                          (blob.radius * blob.radius);
        value += blob.weight * std::exp(-d2);
      }
      picture.push_back(std::fmin(value, 1.0));
    }
  }
  return picture;
}

std::vector<unsigned char> RawFile(const RawLayout& layout, const std::vector<double>& picture) {
  std::vector<unsigned char> bytes = Header(layout.headerLen);
  for (const double value : picture) {
    if (layout.sampleType == SampleType::Float32) {
      AppendFloat(bytes, float(0.2 + 3.0 * value));
    } else if (layout.signedness == Signedness::Signed) {
      Append16(bytes, std::uint16_t(std::int16_t(std::lround(-14000.0 + 36000.0 * value))),
               layout.byteOrder);
    } else {
      Append16(bytes, std::uint16_t(std::lround(17000.0 + 45000.0 * value)), layout.byteOrder);
    }
  }
  return bytes;
}

std::string Describe(const RawLayout& layout) {
  std::string text = layout.sampleType == SampleType::Float32 ? "float32" : "int16";
  if (layout.sampleType == SampleType::Integer16) {
    text += layout.byteOrder == ByteOrder::BigEndian ? " big" : " little";
    text += layout.signedness == Signedness::Unsigned ? " unsigned" : " signed";
  }
  return text + " " + std::to_string(layout.width) + "x" + std::to_string(layout.height) +
         " header " + std::to_string(layout.headerLen);
}

}  // namespace projconv
