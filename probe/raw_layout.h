#pragma once

#include <cstdint>
#include <optional>

#include "engine/conversion_parameters.h"

namespace projconv {

// How the samples of one raw file are laid out, in the terms a conversion
// takes them: the same words the dialog and projconv-batch use.
struct RawLayout {
  SampleType sampleType = SampleType::Integer16;
  // Only 16-bit samples have these; a float layout keeps the defaults.
  ByteOrder byteOrder = ByteOrder::LittleEndian;
  Signedness signedness = Signedness::Signed;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t headerLen = 0;

  bool operator==(const RawLayout&) const = default;
};

// What the user already knows of a file's layout. Every value given narrows
// the search to the layouts that agree with it.
struct KnownLayout {
  std::optional<std::int32_t> width = std::nullopt;
  std::optional<std::int32_t> height = std::nullopt;
  std::optional<std::int32_t> headerLen = std::nullopt;
  std::optional<SampleType> sampleType = std::nullopt;
  // Naming a byte order or a signedness says the samples are 16-bit ones,
  // unless the sample type itself is given.
  std::optional<ByteOrder> byteOrder = std::nullopt;
  std::optional<Signedness> signedness = std::nullopt;
};

// A layout and how rough the picture it reads is: 0 for a picture whose
// neighbouring samples are all equal, near 1 for noise. Lower is better.
struct ScoredLayout {
  RawLayout layout;
  double score = 0.0;
};

// The score from which a layout reads a file no better than noise. In the
// files tried, noise scored 0.76 to 1 in its best layout (random samples and
// bytes, compressed data, text, a frame of photon noise alone), and only noise
// of a few levels lower (0.65 for four); a picture whose photon noise is a
// fifth of its signal still scores below 0.6, and a clean one below 0.05.
inline constexpr double kNoiseScore = 0.7;

}  // namespace projconv
