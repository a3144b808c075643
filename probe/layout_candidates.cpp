#include "probe/layout_candidates.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

#include "probe/detector_sizes.h"

namespace projconv {

namespace {

// Longer headers than this are left to the user to give.
constexpr std::int64_t kMaxGuessedHeader = 64 * 1024;
// Each way of guessing a header offers at most this many, the shortest first.
constexpr int kMaxGuessesPerWay = 16;
// A side needs two samples to have a neighbour; unknown sides need more, and
// must not be more than this many times the other, or every factorisation of
// a long file would be a candidate.
constexpr std::int64_t kMinGuessedSide = 8;
constexpr std::int64_t kMaxGuessedAspect = 16;

// Bytes of a width x height picture; none for sides that are not positive.
// Sides of up to 2^31 - 1 samples of up to 4 bytes stay below 2^64.
std::optional<std::uint64_t> PictureBytes(std::int64_t width, std::int64_t height,
                                          int sampleBytes) {
  if (width <= 0 || height <= 0) return std::nullopt;
  return std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(sampleBytes);
}

std::vector<int> SampleSizes(const KnownLayout& known) {
  if (known.sampleType) return {*known.sampleType == SampleType::Float32 ? 4 : 2};
  if (known.byteOrder || known.signedness) return {2};
  return {2, 4};
}

bool Plausible(std::int64_t width, std::int64_t height) {
  return width >= kMinGuessedSide && height >= kMinGuessedSide &&
         width <= kMaxGuessedAspect * height && height <= kMaxGuessedAspect * width;
}

bool FitsInt32(std::int64_t value) {
  return value >= 0 && value <= INT32_MAX;
}

// Collects geometries that fill a file exactly.
class Collection {
 public:
  Collection(std::uint64_t fileSize, int sampleBytes, const KnownLayout& known)
      : size_(std::int64_t(fileSize)), sampleBytes_(sampleBytes), known_(known) {}

  // width x height with whatever header is left before it: if short enough
  // to be guessed, or of any length before a size the user gave.
  void AddWithHeaderLeft(std::int64_t width, std::int64_t height) {
    const auto picture = PictureBytes(width, height, sampleBytes_);
    if (!picture || *picture > std::uint64_t(size_)) return;
    const std::int64_t header = size_ - std::int64_t(*picture);
    if (header <= kMaxGuessedHeader || (known_.width && known_.height)) Add(width, height, header);
  }

  // Every width x height that `known` allows after `header`.
  void AddEveryShapeAfter(std::int64_t header) {
    if (header < 0 || header >= size_ || (size_ - header) % sampleBytes_ != 0) return;
    const std::int64_t samples = (size_ - header) / sampleBytes_;
    if (known_.width || known_.height) {
      const std::int64_t side = known_.width ? *known_.width : *known_.height;
      if (side <= 0 || samples % side != 0 || samples / side < 2) return;
      known_.width ? Add(side, samples / side, header) : Add(samples / side, side, header);
      return;
    }
    for (std::int64_t small = 1; small * small <= samples; ++small) {
      if (samples % small != 0 || !Plausible(small, samples / small)) continue;
      Add(small, samples / small, header);
      Add(samples / small, small, header);
    }
  }

  std::vector<SampleGeometry> Geometries() {
    const auto key = [](const SampleGeometry& g) {
      return std::tuple(g.headerLen, g.width, g.height);
    };
    std::sort(geometries_.begin(), geometries_.end(),
              [&](const auto& a, const auto& b) { return key(a) < key(b); });
    geometries_.erase(std::unique(geometries_.begin(), geometries_.end()), geometries_.end());
    return geometries_;
  }

 private:
  void Add(std::int64_t width, std::int64_t height, std::int64_t header) {
    const bool agrees = (!known_.width || *known_.width == width) &&
                        (!known_.height || *known_.height == height) &&
                        (!known_.headerLen || *known_.headerLen == header);
    if (agrees && FitsInt32(width) && FitsInt32(height) && FitsInt32(header)) {
      geometries_.push_back({sampleBytes_, width, height, header});
    }
  }

  std::int64_t size_;
  int sampleBytes_;
  const KnownLayout& known_;
  std::vector<SampleGeometry> geometries_;
};

// Pictures of `side` samples across (or down), each with the shortest
// headers that leave a whole number of rows (or columns).
void AddGivenSide(Collection& collection, std::uint64_t fileSize, std::int64_t side,
                  int sampleBytes, bool sideIsWidth) {
  if (side <= 0) return;
  std::int64_t other = std::int64_t(fileSize) / (side * sampleBytes);
  for (int n = 0; other >= 2 && n < kMaxGuessesPerWay; --other, ++n) {
    sideIsWidth ? collection.AddWithHeaderLeft(side, other)
                : collection.AddWithHeaderLeft(other, side);
  }
}

// Common sides, and squares, with whatever header they leave.
void AddCommonAndSquareSizes(Collection& collection, std::uint64_t fileSize, int sampleBytes) {
  for (const std::int64_t width : kCommonSides) {
    for (const std::int64_t height : kCommonSides) collection.AddWithHeaderLeft(width, height);
  }
  auto side = std::int64_t(std::sqrt(double(fileSize / std::uint64_t(sampleBytes))));
  for (int n = 0; side >= kMinGuessedSide && n < kMaxGuessesPerWay; --side, ++n) {
    collection.AddWithHeaderLeft(side, side);
  }
}

}  // namespace

std::vector<SampleGeometry> CandidateGeometries(std::uint64_t fileSize, const KnownLayout& known) {
  std::vector<SampleGeometry> geometries;
  for (const int sampleBytes : SampleSizes(known)) {
    if (known.width && known.height && known.headerLen) {
      // Everything given: the conversion reads that much and ignores the rest.
      const auto picture = PictureBytes(*known.width, *known.height, sampleBytes);
      const std::int64_t header = *known.headerLen;
      if (picture && header >= 0 && std::uint64_t(header) < fileSize &&
          *picture <= fileSize - std::uint64_t(header)) {
        geometries.push_back({sampleBytes, *known.width, *known.height, header});
      }
      continue;
    }
    Collection collection(fileSize, sampleBytes, known);
    if (known.headerLen) {
      collection.AddEveryShapeAfter(*known.headerLen);
    } else if (known.width && known.height) {
      collection.AddWithHeaderLeft(*known.width, *known.height);
    } else {
      for (const std::int64_t header : kCommonHeaders) collection.AddEveryShapeAfter(header);
      if (known.width) AddGivenSide(collection, fileSize, *known.width, sampleBytes, true);
      if (known.height) AddGivenSide(collection, fileSize, *known.height, sampleBytes, false);
      if (!known.width && !known.height) AddCommonAndSquareSizes(collection, fileSize, sampleBytes);
    }
    const auto collected = collection.Geometries();
    geometries.insert(geometries.end(), collected.begin(), collected.end());
  }
  return geometries;
}

}  // namespace projconv
