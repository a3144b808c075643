#include "engine/internal/frame_combining.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/internal/int16_decoding.h"
#include "engine/internal/worker_pool.h"

namespace projconv {

namespace {

// Samples of every frame held at once: about 32 MiB of floats whatever the
// number of frames.
constexpr std::int64_t kBandFloats = std::int64_t{8} << 20;
// Positions combined by one task of the pool.
constexpr std::int64_t kPositionsPerTask = 4096;

// NaN after every number; NaNs are all alike.
bool Before(float a, float b) {
  return a < b || (!std::isnan(a) && std::isnan(b));
}

// One band's samples of one frame, decoded as an input sample is before
// smoothing: the value a 16-bit sample has after byte swap and halving, or a
// float sample times the scale factor, rounded to float. Both are exact as
// floats.
void DecodeBand(const ConversionParameters& layout, unsigned char* raw, std::int64_t count,
                float* to) {
  if (layout.sampleType == SampleType::Integer16) {
    DecodeInt16Samples(raw, count, layout.byteOrder == ByteOrder::BigEndian,
                       layout.signedness == Signedness::Unsigned);
    for (std::int64_t k = 0; k < count; ++k) {
      std::int16_t v;
      std::memcpy(&v, raw + 2 * k, 2);
      to[k] = float(v);
    }
    return;
  }
  const double scale = layout.scale;
  for (std::int64_t k = 0; k < count; ++k) {
    float v;
    std::memcpy(&v, raw + 4 * k, 4);
    to[k] = static_cast<float>(double(v) * scale);
  }
}

}  // namespace

double MedianOf(float* values, std::int64_t count) {
  float* const middle = values + count / 2;
  std::nth_element(values, middle, values + count, Before);
  if (count % 2 == 1) return *middle;
  const float below = *std::max_element(values, middle, Before);
  return (double(below) + double(*middle)) / 2.0;
}

bool CombineFrames(const ConversionParameters& layout, Combining combining, FrameSource& source,
                   WorkerPool& pool, int workers, std::vector<double>& combined) {
  const std::int64_t n = std::int64_t{layout.inSizeX} * layout.inSizeY;
  const std::int64_t frames = source.frames();
  const std::int64_t sampleBytes = layout.sampleType == SampleType::Integer16 ? 2 : 4;
  const std::int64_t band =
      std::clamp<std::int64_t>(kBandFloats / frames, 1, std::max<std::int64_t>(n, 1));
  combined.assign(std::size_t(n), 0.0);
  std::vector<float> decoded(std::size_t(frames * band));
  std::vector<unsigned char> raw(std::size_t(band * sampleBytes));
  // One row of values across the frames per worker, for the median.
  std::vector<float> across(std::size_t(frames) * std::size_t(std::max(workers, 1)));

  for (std::int64_t first = 0; first < n; first += band) {
    const std::int64_t count = std::min(band, n - first);
    for (std::int64_t f = 0; f < frames; ++f) {
      if (!source.Read(f, first, count, raw.data())) return false;
      DecodeBand(layout, raw.data(), count, decoded.data() + f * band);
    }
    pool.ForEach((count + kPositionsPerTask - 1) / kPositionsPerTask,
                 [&](std::int64_t task, int worker) {
                   const std::int64_t begin = task * kPositionsPerTask;
                   const std::int64_t end = std::min(count, begin + kPositionsPerTask);
                   if (combining == Combining::Mean) {
                     // Frame by frame, so that each sum runs in file order.
                     double* const sums = combined.data() + first;
                     for (std::int64_t f = 0; f < frames; ++f) {
                       const float* const row = decoded.data() + f * band;
                       for (std::int64_t k = begin; k < end; ++k) sums[k] += double(row[k]);
                     }
                     for (std::int64_t k = begin; k < end; ++k) sums[k] /= double(frames);
                     return;
                   }
                   float* const values = across.data() + std::int64_t(worker) * frames;
                   for (std::int64_t k = begin; k < end; ++k) {
                     for (std::int64_t f = 0; f < frames; ++f) values[f] = decoded[f * band + k];
                     combined[first + k] = MedianOf(values, frames);
                   }
                 },
                 workers);
  }
  return true;
}

}  // namespace projconv
