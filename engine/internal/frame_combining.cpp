#include "engine/internal/frame_combining.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/internal/int16_decoding.h"
#include "engine/internal/median_network.h"
#include "engine/internal/transform_fast.h"
#include "engine/internal/worker_pool.h"

namespace projconv {

namespace {

// Samples of every frame held at once: about 32 MiB of floats whatever the
// number of frames.
constexpr std::int64_t kBandFloats = std::int64_t{8} << 20;
// Positions combined by one task of the pool.
constexpr std::int64_t kPositionsPerTask = 4096;

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

double MedianOfKeys(std::int32_t* keys, std::int64_t count) {
  std::int32_t* const middle = keys + count / 2;
  std::nth_element(keys, middle, keys + count);
  std::int32_t pair[2] = {count % 2 == 0 ? *std::max_element(keys, middle) : 0, *middle};
  return count % 2 == 1 ? double(median_network::ValueOf(pair[1]))
                        : median_network::MedianOfSorted(pair, 2);
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
  // One row of keys across the frames per worker, for the median.
  std::vector<std::int32_t> across(std::size_t(frames) * std::size_t(std::max(workers, 1)));
  const RowKernels& kernels = *KernelsFor(TransformKernels::Fastest);
  const bool network = frames <= median_network::kMostFrames;
  const std::vector<median_network::Step> steps =
      network ? median_network::StepsFor(int(frames)) : std::vector<median_network::Step>{};

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
                   // In the keys' order (median_network.h) either way: the same
                   // median to the last bit, the sign of a zero included.
                   std::int64_t k = begin;
                   if (network) {
                     k += kernels.medianAcross(decoded.data() + begin, band, int(frames), steps,
                                               end - begin, combined.data() + first + begin);
                   }
                   std::int32_t* const keys = across.data() + std::int64_t(worker) * frames;
                   for (; k < end; ++k) {
                     for (std::int64_t f = 0; f < frames; ++f)
                       keys[f] = median_network::KeyOf(decoded[f * band + k]);
                     combined[first + k] = MedianOfKeys(keys, frames);
                   }
                 },
                 workers);
  }
  return true;
}

}  // namespace projconv
