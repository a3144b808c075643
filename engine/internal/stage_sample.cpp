// The sampling: output rows whose neighbours provably lie in the buffer run
// the vector kernel, the others the checked scalar one; a chunk of rows goes
// through in blocks of columns, and each finished chunk may go straight to
// the output's row stream.

#include "engine/internal/image_run.h"

#include <cmath>
#include <limits>

#include "engine/image_sink.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

// Where the next output row reads, relative to this one, to the nearest
// sample: a prefetching hint, so any value is safe.
std::int64_t NextRowStep(double down, double across, std::int64_t width) {
  const auto nearest = [](double v) {
    return std::fabs(v) < 1e9 ? TruncToInt64(v + (v < 0 ? -0.5 : 0.5)) : 0;
  };
  return nearest(down) * width + nearest(across);
}

std::int64_t FloorDiv4(std::int64_t v) {
  return v >= 0 ? v / 4 : -((3 - v) / 4);
}

// One lane, for the per-column terms.
struct OneLane {
  using D = double;
  static D Splat(double v) { return v; }
};

}  // namespace

void ImageRun::PrepareSampling(double cosine, double sine, double stepX, double stepY) {
  const std::int64_t outX = job_.outSizeX;
  const std::int64_t firstByte = workExtent_.firstSampleByte;
  base_ = SamplingRow{{cosine, sine, stepX, double(job_.cropLeft), double(job_.rotCentreX),
                       double(job_.rotCentreY), 0.0, 0.0},
                      columnTerms_,
                      columnTerms_ + outX,
                      work_,
                      job_.inSizeX,
                      -FloorDiv4(firstByte),
                      FloorDiv4(workExtent_.bufferBytes - firstByte - 4),
                      NextRowStep(cosine * stepY, -sine * stepY, width_)};
  stepY_ = stepY;
  for (std::int64_t j = 0; j < outX; ++j) {
    const double dx = sample_arithmetic::ColumnOffset<OneLane>(base_.geometry, double(j));
    columnTerms_[j] = cosine * dx;
    columnTerms_[outX + j] = sine * dx;
  }
}

SamplingRow ImageRun::RowAt(std::int64_t i) const {
  SamplingRow row = base_;
  const double dy = (double(i) * stepY_ + job_.cropTop) - job_.rotCentreY;
  row.geometry.a = dy * base_.geometry.sin;
  row.geometry.b = dy * base_.geometry.cos;
  return row;
}

std::int64_t ImageRun::HighestRead() const {
  std::int64_t highest = std::numeric_limits<std::int64_t>::min();
  for (std::int64_t i = 0; i < job_.outSizeY; ++i)
    highest = std::max(highest, HighestNeighbour(RowAt(i), job_.outSizeX));
  return highest;
}

void ImageRun::Sample() {
  ForEachRowChunk(job_.outSizeY, job_.outSizeX, kRowsPerSamplingChunk,
                  [&](std::int64_t begin, std::int64_t end, int worker) {
                    wrapped_[worker].samples += SampleChunk(begin, end);
                    PutOutputRows(begin, end);
                  });
}

// Output rows begin .. end - 1, in blocks of columns, all the rows in turn for
// one block before the next: consecutive rows read nearly the same source
// samples, which then are still in the nearest cache.
std::int64_t ImageRun::SampleChunk(std::int64_t begin, std::int64_t end) const {
  const std::int64_t outX = job_.outSizeX;
  unsigned char* const out = BytesOf(outImage_);
  SamplingRow rows[kRowsPerSamplingChunk];
  bool inside[kRowsPerSamplingChunk];
  std::int64_t wrapped = 0;
  for (std::int64_t i = begin; i < end; ++i) {
    SamplingRow& row = rows[i - begin];
    row = RowAt(i);
    inside[i - begin] = NeighboursInside(row, outX, workExtent_);
    if (!inside[i - begin]) SampleRowChecked(row, workView_, out + 2 * i * outX, 0, outX, wrapped);
  }
  for (std::int64_t first = 0; first < outX; first += kColumnsPerBlock) {
    const std::int64_t last = std::min(outX, first + kColumnsPerBlock);
    for (std::int64_t i = begin; i < end; ++i) {
      if (inside[i - begin])
        SampleColumns(rows[i - begin], out + 2 * i * outX, first, last, wrapped);
    }
  }
  return wrapped;
}

// Columns first .. last - 1 of a row whose neighbours are known to be inside.
// The chunk's count so far goes to the kernel, which counts at less cost
// where samples have wrapped already.
void ImageRun::SampleColumns(const SamplingRow& row, unsigned char* out, std::int64_t first,
                             std::int64_t last, std::int64_t& wrapped) const {
  const std::int64_t done = kernels_.sampleRow(row, out, first, last, wrapped);
  kScalarRowKernels.sampleRow(row, out, done, last, wrapped);
}

}  // namespace projconv
