#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/name_pattern.h"
#include "engine/refusal.h"

namespace projconv {

namespace {

// The one limit on the input buffers: H + 5N elements of 4 bytes must be
// addressable, which also keeps every size computed from them in range.
bool InputAddressable(const ConversionParameters& p) {
  constexpr std::uint64_t kMaxBytes = std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max());
  const std::uint64_t n = std::uint64_t(p.inSizeX) * std::uint64_t(p.inSizeY);
  return n <= kMaxBytes / 20 - std::uint64_t(p.headerLen);
}

std::optional<Refusal> CheckCropWindow(const ConversionParameters& p) {
  if (!TakesDirectPath(p)) return std::nullopt;
  // The direct path copies samples without bounds tests; these limits keep
  // every position it reads inside the zeroed buffers.
  const std::int64_t x = p.inSizeX, y = p.inSizeY;
  if (p.cropLeft < -x || p.cropTop < -y || p.cropRight > 2 * x || p.cropBottom > 2 * y ||
      std::int64_t{p.cropRight} - p.cropLeft < 2 || std::int64_t{p.cropBottom} - p.cropTop < 2) {
    return Refusal{RefusalKind::CropWindow, "Error in position of cropped area"};
  }
  return std::nullopt;
}

std::optional<Refusal> CheckSampleType(const ConversionParameters& p) {
  if (p.sampleType == SampleType::Integer16 || p.sampleType == SampleType::Float32) {
    return std::nullopt;
  }
  return Refusal{RefusalKind::SampleType, "Unknown input sample type " +
                                              std::to_string(ChoiceNumber(p.sampleType)) +
                                              ": choose \"Integer 16 bits\" or \"Float 32 bits\""};
}

std::optional<Refusal> CheckSizes(const ConversionParameters& p) {
  if (p.inSizeX < 0 || p.inSizeY < 0 || p.outSizeX < 0 || p.outSizeY < 0 || p.headerLen < 0) {
    return Refusal{RefusalKind::NegativeSize,
                   "Image sizes and the file header length must not be negative"};
  }
  // An image without samples would be converted into empty or all-zero
  // files that look like a finished batch.
  const auto empty = [](const char* which, std::int32_t x, std::int32_t y) {
    return Refusal{RefusalKind::EmptyImage, std::string(which) + " size " + std::to_string(x) +
                                                " x " + std::to_string(y) +
                                                " has no samples: width and height must be at "
                                                "least 1"};
  };
  if (p.inSizeX == 0 || p.inSizeY == 0) return empty("Input", p.inSizeX, p.inSizeY);
  if (p.outSizeX == 0 || p.outSizeY == 0) return empty("Output", p.outSizeX, p.outSizeY);
  return std::nullopt;
}

std::optional<Refusal> CheckNames(const ConversionParameters& p) {
  for (const std::string* format : {&p.inFormat, &p.outFormat}) {
    if (!NamePattern::Parse(*format)) {
      return Refusal{RefusalKind::NamePattern,
                     "Name format \"" + *format +
                         "\" must hold exactly one integer field, such as %04i, and no other % "
                         "conversion (write %% for a percent sign)"};
    }
  }
  return std::nullopt;
}

}  // namespace

bool TakesDirectPath(const ConversionParameters& p) {
  return std::int64_t{p.cropRight} - p.cropLeft == p.outSizeX &&
         std::int64_t{p.cropBottom} - p.cropTop == p.outSizeY &&
         std::fabs(static_cast<double>(p.angle)) < 0.001;
}

std::optional<Refusal> CheckParameters(const ConversionParameters& p, bool withNames) {
  if (auto refusal = CheckCropWindow(p)) return refusal;
  // Written so that a NaN angle is refused too: it would pass both
  // comparisons the other way round and turn every image into zeros.
  if (!(p.angle >= -180 && p.angle <= 180)) {
    return Refusal{RefusalKind::Angle,
                   "Angle of rotation should be between plus/minus 180 degrees"};
  }
  if (auto refusal = CheckSampleType(p)) return refusal;
  if (p.sampleType == SampleType::Float32 && !std::isfinite(p.scale)) {
    return Refusal{RefusalKind::Scale, "Scale factor should be a finite number"};
  }
  if (auto refusal = CheckSizes(p)) return refusal;
  if (withNames) return CheckNames(p);
  return std::nullopt;
}

std::optional<Refusal> CheckInputLayout(const ConversionParameters& p) {
  if (auto refusal = CheckSampleType(p)) return refusal;
  if (p.inSizeX < 0 || p.inSizeY < 0 || p.headerLen < 0) return CheckSizes(p);
  if (!InputAddressable(p)) return Refusal{RefusalKind::Memory, "Memory allocation problem"};
  return std::nullopt;
}

std::optional<std::uint64_t> InputReadLength(const ConversionParameters& p) {
  if (CheckInputLayout(p)) return std::nullopt;
  const std::uint64_t n = std::uint64_t(p.inSizeX) * std::uint64_t(p.inSizeY);
  return std::uint64_t(p.headerLen) + (p.sampleType == SampleType::Integer16 ? 2 : 4) * n;
}

}  // namespace projconv
