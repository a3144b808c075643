// The direct path: the window copied row by row, bounds-checked per row
// instead of per sample.

#include "engine/internal/image_run.h"

#include <cstring>

#include "engine/image_sink.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

void StoreSample16(unsigned char* to, std::uint16_t sample) {
  std::memcpy(to, &sample, sizeof sample);
}

}  // namespace

void ImageRun::CopyDirect() {
  const std::int64_t outX = job_.outSizeX;
  unsigned char* const out = BytesOf(outImage_);
  ForEachRowChunk(job_.outSizeY, outX, [&](std::int64_t begin, std::int64_t end, int worker) {
    std::int64_t wrapped = 0;  // 16-bit samples are copied and never wrap
    for (std::int64_t i = begin; i < end; ++i) {
      const std::int64_t first = (job_.cropTop + i) * width_ + job_.cropLeft;
      if (job_.sampleType == SampleType::Integer16 && flat_ == nullptr) {
        CopyInt16Row(out + 2 * i * outX, first, outX);
      } else {
        ScaleFloatRow(out + 2 * i * outX, first, outX, wrapped);
      }
    }
    wrapped_[worker].samples += wrapped;
    PutOutputRows(begin, end);
  });
}

void ImageRun::PutOutputRows(std::int64_t begin, std::int64_t end) const {
  if (output_ == nullptr) return;
  const std::int64_t rowBytes = 2 * std::int64_t{job_.outSizeX};
  output_->Put(std::size_t(begin * rowBytes), std::size_t((end - begin) * rowBytes));
}

// A window row wholly inside the buffer is one copy; one reaching beyond it
// reads each sample through the view, which gives 0 outside.
void ImageRun::CopyInt16Row(unsigned char* to, std::int64_t first, std::int64_t count) const {
  if (inputView_.Covers(first, count)) {
    std::memcpy(to, input_ + 2 * first, std::size_t(2 * count));
    return;
  }
  for (std::int64_t j = 0; j < count; ++j)
    StoreSample16(to + 2 * j, static_cast<std::uint16_t>(inputView_.Get(first + j)));
}

// Adds the samples of the row that wrapped to the chunk's count `wrapped`,
// which the kernel also reads (see RowKernels).
void ImageRun::ScaleFloatRow(unsigned char* to, std::int64_t first, std::int64_t count,
                             std::int64_t& wrapped) const {
  const double scale = flat_ == nullptr ? double(job_.scale) : 1.0;  // corrected: final already
  if (workView_.Covers(first, count)) {
    const unsigned char* from = work_ + 4 * first;
    const std::int64_t done = kernels_.scaledSamples16(to, from, scale, count, wrapped);
    kScalarRowKernels.scaledSamples16(to + 2 * done, from + 4 * done, scale, count - done, wrapped);
    return;
  }
  for (std::int64_t j = 0; j < count; ++j) {
    const double v = double(workView_.Get(first + j)) * scale;
    StoreSample16(to + 2 * j, TruncToSample16(v));
    wrapped += Sample16Wraps(v) ? 1 : 0;
  }
}

}  // namespace projconv
