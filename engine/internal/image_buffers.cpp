#include "engine/internal/image_buffers.h"

#include <cstddef>
#include <limits>

namespace projconv {

void ImageBuffers::Release() {
  intBuffer.Release();
  outBuffer.Release();
  floatBuffer.Release();
  intReadArea = nullptr;
  floatReadArea = nullptr;
  outImage = nullptr;
}

bool ImageBuffers::Obtain(const ConversionParameters& p) {
  Release();
  // Sizes are non-negative 32-bit values here, so n and the output's count
  // fit in 64 bits; a float buffer the address space cannot hold is refused
  // like a failed request, before H + 5n could overflow.
  constexpr std::uint64_t kMaxBytes = std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max());
  const std::uint64_t n = std::uint64_t(p.inSizeX) * std::uint64_t(p.inSizeY);
  const bool addressable = n <= kMaxBytes / 20 - std::uint64_t(p.headerLen);
  const std::uint64_t inElements = addressable ? std::uint64_t(p.headerLen) + 5 * n : 0;
  const std::uint64_t outElements = std::uint64_t(p.outSizeX) * std::uint64_t(p.outSizeY);

  const bool intOk = addressable && intBuffer.Obtain(inElements);
  const bool floatOk = addressable && floatBuffer.Obtain(inElements);
  const bool outOk = outElements <= kMaxBytes / 2 && outBuffer.Obtain(outElements);
  if (!intOk || !floatOk || !outOk) return false;

  intReadArea = intBuffer.data() + 2 * n;
  floatReadArea = floatBuffer.data() + 2 * n;
  outImage = outBuffer.data();
  return true;
}

bool ImageBuffers::Fit(const ConversionParameters& p) const {
  const std::int64_t n = std::int64_t{p.inSizeX} * p.inSizeY;
  if (p.inSizeX < 0 || p.inSizeY < 0 || p.outSizeX < 0 || p.outSizeY < 0 || p.headerLen < 0 ||
      intReadArea == nullptr || floatReadArea == nullptr || outImage == nullptr ||
      std::uint64_t(n) > (std::uint64_t(1) << 60))
    return false;
  const std::uint64_t need = std::uint64_t(p.headerLen) + 5 * std::uint64_t(n);
  return intBuffer.size() >= need && floatBuffer.size() >= need &&
         outBuffer.size() >= std::uint64_t(p.outSizeX) * std::uint64_t(p.outSizeY) &&
         intReadArea == intBuffer.data() + 2 * n && floatReadArea == floatBuffer.data() + 2 * n &&
         outImage == outBuffer.data();
}

std::span<unsigned char> ImageBuffers::ReadArea(SampleType type) const {
  if (type == SampleType::Integer16) {
    if (intReadArea == nullptr) return {};
    const auto* end = intBuffer.data() + intBuffer.size();
    return {reinterpret_cast<unsigned char*>(intReadArea), std::size_t(end - intReadArea) * 2};
  }
  if (floatReadArea == nullptr) return {};
  const float* end = floatBuffer.data() + floatBuffer.size();
  return {reinterpret_cast<unsigned char*>(floatReadArea), std::size_t(end - floatReadArea) * 4};
}

SampleView<std::int16_t> ImageBuffers::InputView(const ConversionParameters& p) const {
  return {intBuffer.data(), std::int64_t(intBuffer.bytes()),
          (intReadArea - intBuffer.data()) * 2 + std::int64_t{p.headerLen}};
}

SampleView<float> ImageBuffers::FloatView(const ConversionParameters& p, int image,
                                          bool alone) const {
  const std::int64_t n = std::int64_t{p.inSizeX} * p.inSizeY;
  const std::int64_t first = WorkBounds(p).firstSampleByte + 4 * n * image;
  if (alone) return {reinterpret_cast<unsigned char*>(floatBuffer.data()) + first, 4 * n, 0};
  return {floatBuffer.data(), std::int64_t(floatBuffer.bytes()), first};
}

WorkExtent ImageBuffers::WorkBounds(const ConversionParameters& p, bool alone) const {
  if (alone) return {0, 4 * std::int64_t{p.inSizeX} * p.inSizeY};
  return {(floatReadArea - floatBuffer.data()) * 4 + std::int64_t{p.headerLen},
          std::int64_t(floatBuffer.bytes())};
}

}  // namespace projconv
