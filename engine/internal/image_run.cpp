#include "engine/internal/image_run.h"

#include "engine/internal/image_buffers.h"
#include "engine/internal/int16_decoding.h"

namespace projconv {

ImageRun::ImageRun(ConversionParameters& job, const ImageBuffers& b, const RowKernels& kernels,
                   WorkerPool& pool, std::vector<OwnedBuffer<float>>& rowBuffers,
                   std::vector<OwnedBuffer<float>>& bands, WrappedCount* wrapped,
                   double* columnTerms, RowStream* output, const FlatField* flat)
    : job_(job),
      kernels_(kernels),
      pool_(pool),
      rowBuffers_(rowBuffers),
      bands_(bands),
      wrapped_(wrapped),
      columnTerms_(columnTerms),
      output_(output),
      flat_(flat),
      outImage_(b.outImage),
      width_(job.inSizeX),
      height_(job.inSizeY),
      samples_(std::int64_t{job.inSizeX} * job.inSizeY),
      inputView_(b.InputView(job)),
      workView_(b.FloatView(job, 0, flat != nullptr)),
      workExtent_(b.WorkBounds(job, flat != nullptr)),
      input_(BytesOf(b.intReadArea) + job.headerLen),
      work_(BytesOf(b.floatReadArea) + job.headerLen) {}

void ImageRun::Decode() {
  if (job_.sampleType == SampleType::Float32) {
    job_.byteOrder = ByteOrder::LittleEndian;
    job_.signedness = Signedness::Signed;
    return;
  }
  const bool swap = job_.byteOrder == ByteOrder::BigEndian;
  const bool halve = job_.signedness == Signedness::Unsigned;
  if (!swap && !halve) return;  // the samples already read as they are
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
    DecodeInt16Samples(input_ + 2 * begin * width_, (end - begin) * width_, swap, halve);
  });
}

}  // namespace projconv
