// The schedule of the fast transform. Each step of the reference becomes one
// or more phases; a phase splits its rows into chunks that the pool's workers
// take in turn, and every phase ends before the next begins.
//
//   decode     only when there is something to decode (byte swap, halving)
//   direct     row copies, bounds-checked per row instead of per sample
//   smoothing  16-bit input: one phase, each row built from the input rows
//              around it (which nothing writes), through both passes, into
//              the scratch images and the work image.
//              float input: scale in place; then the passes into the scratch
//              images; then the result over the work image, since the
//              vertical pass reads the rows around each row of work.
//   sampling   output rows whose neighbours provably lie in the buffer run
//              the vector kernel, the others the checked scalar one; a chunk
//              of rows goes through in blocks of columns, and each finished
//              chunk (here and on the direct path) may go straight to the
//              output file.
//
// The output is the reference's, bit for bit; the buffers need not end as the
// reference leaves them. What an image leaves in the scratch images is read by
// its own sampling alone, as far neighbours beyond the work image, and every
// image writes the rows its sampling reads before the sampling starts. So a
// scratch row starting beyond the highest neighbour index of any output row
// (each row's bounded as for its bounds checks) is left as it was, which
// spares the copy of both passes' results, a third of the memory traffic of a
// reducing batch.

#include "engine/internal/transform_fast.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "engine/image_sink.h"
#include "engine/internal/image_buffers.h"
#include "engine/internal/int16_decoding.h"
#include "engine/internal/sample_view.h"
#include "engine/internal/sampling_bounds.h"
#include "engine/refusal.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

// Rows go to the workers in chunks of about this many samples: enough to make
// handing them out cheap, few enough to even out two unequally busy cores.
constexpr std::int64_t kSamplesPerChunk = 32768;
constexpr std::int64_t kAnyRows = std::int64_t{1} << 62;

// Sampling keeps a little state per row of its chunk, and walks the rows in
// blocks of this many columns (a multiple of every vector width).
constexpr std::int64_t kRowsPerSamplingChunk = 64;
constexpr std::int64_t kColumnsPerBlock = 128;

struct RowChunks {
  std::int64_t rows;
  std::int64_t rowsPerChunk;

  std::int64_t count() const { return (rows + rowsPerChunk - 1) / rowsPerChunk; }
  std::int64_t begin(std::int64_t chunk) const { return chunk * rowsPerChunk; }
  std::int64_t end(std::int64_t chunk) const { return std::min(rows, begin(chunk) + rowsPerChunk); }
};

RowChunks ChunksOf(std::int64_t rows, std::int64_t rowSamples, std::int64_t mostRows) {
  const std::int64_t perChunk = kSamplesPerChunk / std::max<std::int64_t>(1, rowSamples);
  return {rows, std::clamp<std::int64_t>(perChunk, 1, mostRows)};
}

unsigned char* BytesOf(void* p) {
  return static_cast<unsigned char*>(p);
}

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

void StoreSample16(unsigned char* to, std::uint16_t sample) {
  std::memcpy(to, &sample, sizeof sample);
}

// Rows of the image the smoothing starts from: the 16-bit input or the
// (already scaled) float work image.
struct SourceRows {
  const unsigned char* first;
  std::int64_t rowBytes;
  bool int16;

  const unsigned char* Row(std::int64_t r) const { return first + r * rowBytes; }
};

// One call of the transform: the job, its images and the means to run it.
class ImageRun {
 public:
  // `wrapped` has one counter per row buffer, which the image adds to.
  ImageRun(ConversionParameters& job, const ImageBuffers& buffers, const RowKernels& kernels,
           WorkerPool& pool, std::vector<OwnedBuffer<float>>& rowBuffers, WrappedCount* wrapped,
           double* columnTerms, RowStream* output);

  void Decode();
  void CopyDirect();
  // The rows' geometry and the per-column terms, before Smooth and Sample.
  void PrepareSampling(double cosine, double sine, double stepX, double stepY);
  // At least the highest index (from the work image's first sample) that
  // the sampling reads.
  std::int64_t HighestRead() const;
  // `readTo`: scratch rows starting beyond this index are needed only as the
  // image's own intermediate results.
  void Smooth(bool vertical, bool horizontal, std::int64_t readTo);
  void Sample();

 private:
  template <class Body>
  void ForEachRowChunk(std::int64_t rows, std::int64_t rowSamples, const Body& body) {
    ForEachRowChunk(rows, rowSamples, kAnyRows, body);
  }
  template <class Body>
  void ForEachRowChunk(std::int64_t rows, std::int64_t rowSamples, std::int64_t mostRows,
                       const Body& body);

  unsigned char* WorkRow(std::int64_t r) const { return work_ + 4 * r * width_; }
  unsigned char* VerticalRow(std::int64_t r) const { return WorkRow(r) + 4 * samples_; }
  unsigned char* HorizontalRow(std::int64_t r) const { return WorkRow(r) + 8 * samples_; }
  // Whether the sampling may read row r of scratch image 1 (vertical) or 2.
  bool ScratchRowRead(std::int64_t image, std::int64_t r) const {
    return image * samples_ + r * width_ <= readTo_;
  }
  SamplingRow RowAt(std::int64_t i) const;

  void CopyInt16Row(unsigned char* to, std::int64_t first, std::int64_t count) const;
  void ScaleFloatRow(unsigned char* to, std::int64_t first, std::int64_t count,
                     std::int64_t& wrapped) const;
  void SmoothRow(std::int64_t r, const SourceRows& source, bool writeWork, int worker);
  void MeanOfThree(unsigned char* to, const unsigned char* first, const unsigned char* second,
                   const unsigned char* last, std::int64_t count, bool int16) const;
  // How many of the samples it made wrapped.
  std::int64_t SampleChunk(std::int64_t begin, std::int64_t end) const;
  // Adds the samples it made that wrapped to `wrapped`.
  void SampleColumns(const SamplingRow& row, unsigned char* out, std::int64_t first,
                     std::int64_t last, std::int64_t& wrapped) const;
  void PutOutputRows(std::int64_t begin, std::int64_t end) const;

  ConversionParameters& job_;
  const RowKernels& kernels_;
  WorkerPool& pool_;
  std::vector<OwnedBuffer<float>>& rowBuffers_;
  WrappedCount* const wrapped_;  // one per row buffer
  double* const columnTerms_;    // 2 * outSizeX doubles
  RowStream* const output_;
  std::int16_t* const outImage_;
  bool vertical_ = false;
  bool horizontal_ = false;
  std::int64_t readTo_ = 0;
  SamplingRow base_{};  // an output row's geometry but for its own terms a and b
  double stepY_ = 0.0;

  std::int64_t width_, height_, samples_;
  SampleView<std::int16_t> inputView_;
  SampleView<float> workView_;
  WorkExtent workExtent_;
  unsigned char* input_;  // the first 16-bit input sample
  unsigned char* work_;   // the first sample of the work image
};

ImageRun::ImageRun(ConversionParameters& job, const ImageBuffers& b, const RowKernels& kernels,
                   WorkerPool& pool, std::vector<OwnedBuffer<float>>& rowBuffers,
                   WrappedCount* wrapped, double* columnTerms, RowStream* output)
    : job_(job),
      kernels_(kernels),
      pool_(pool),
      rowBuffers_(rowBuffers),
      wrapped_(wrapped),
      columnTerms_(columnTerms),
      output_(output),
      outImage_(b.outImage),
      width_(job.inSizeX),
      height_(job.inSizeY),
      samples_(std::int64_t{job.inSizeX} * job.inSizeY),
      inputView_(b.intBuffer.data(), std::int64_t(b.intBuffer.bytes()),
                 (b.intReadArea - b.intBuffer.data()) * 2 + std::int64_t{job.headerLen}),
      workView_(b.floatBuffer.data(), std::int64_t(b.floatBuffer.bytes()),
                (b.floatReadArea - b.floatBuffer.data()) * 4 + std::int64_t{job.headerLen}),
      workExtent_{(b.floatReadArea - b.floatBuffer.data()) * 4 + std::int64_t{job.headerLen},
                  std::int64_t(b.floatBuffer.bytes())},
      input_(BytesOf(b.intReadArea) + job.headerLen),
      work_(BytesOf(b.floatReadArea) + job.headerLen) {}

template <class Body>
void ImageRun::ForEachRowChunk(std::int64_t rows, std::int64_t rowSamples, std::int64_t mostRows,
                               const Body& body) {
  const RowChunks chunks = ChunksOf(rows, rowSamples, mostRows);
  // One worker for each row buffer: worker k writes only rowBuffers_[k].
  pool_.ForEach(
      chunks.count(),
      [&](std::int64_t chunk, int worker) { body(chunks.begin(chunk), chunks.end(chunk), worker); },
      int(rowBuffers_.size()));
}

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

void ImageRun::CopyDirect() {
  const std::int64_t outX = job_.outSizeX;
  unsigned char* const out = BytesOf(outImage_);
  ForEachRowChunk(job_.outSizeY, outX, [&](std::int64_t begin, std::int64_t end, int worker) {
    std::int64_t wrapped = 0;  // 16-bit samples are copied and never wrap
    for (std::int64_t i = begin; i < end; ++i) {
      const std::int64_t first = (job_.cropTop + i) * width_ + job_.cropLeft;
      if (job_.sampleType == SampleType::Integer16) {
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
  const double scale = job_.scale;
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

void ImageRun::Smooth(bool vertical, bool horizontal, std::int64_t readTo) {
  vertical_ = vertical;
  horizontal_ = horizontal;
  readTo_ = readTo;
  const auto eachRow = [&](const SourceRows& source, bool writeWork) {
    ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int worker) {
      for (std::int64_t r = begin; r < end; ++r) SmoothRow(r, source, writeWork, worker);
    });
  };
  if (job_.sampleType == SampleType::Integer16) {
    eachRow(SourceRows{input_, 2 * width_, true}, true);
    return;
  }

  const double scale = job_.scale;
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
    unsigned char* const from = WorkRow(begin);
    const std::int64_t count = (end - begin) * width_;
    const std::int64_t done = kernels_.scaleFloats(from, from, scale, count);
    kScalarRowKernels.scaleFloats(from + 4 * done, from + 4 * done, scale, count - done);
  });
  if (!vertical && !horizontal) return;
  eachRow(SourceRows{work_, 4 * width_, false}, !vertical);
  if (!vertical) return;
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
    const unsigned char* from = horizontal ? HorizontalRow(begin) : VerticalRow(begin);
    std::memcpy(WorkRow(begin), from, std::size_t(4 * (end - begin) * width_));
  });
}

// Row r through the passes that apply. With writeWork the result also goes
// to row r of the work image, which only the 16-bit source allows alongside
// the vertical pass (the float source is the work image itself).
void ImageRun::SmoothRow(std::int64_t r, const SourceRows& source, bool writeWork, int worker) {
  unsigned char* const buffer = BytesOf(rowBuffers_[std::size_t(worker)].data());
  const std::int64_t x = width_;
  const std::size_t rowBytes = std::size_t(4 * x);

  // The row the horizontal pass starts from.
  const unsigned char* start = buffer;
  bool startIsInt16 = false;
  if (vertical_) {
    if (r >= 1 && r <= height_ - 2) {
      MeanOfThree(buffer, source.Row(r), source.Row(r + 1), source.Row(r - 1), x, source.int16);
      // The float source's vertical-only result is read back from there.
      const bool resultThere = !writeWork && !horizontal_;
      if (resultThere || ScratchRowRead(1, r))
        kernels_.copyForLater(VerticalRow(r), buffer, rowBytes);
    } else {
      std::memcpy(buffer, VerticalRow(r), rowBytes);  // never smoothed: keeps the scratch row
    }
  } else if (source.int16) {
    start = source.Row(r);
    startIsInt16 = true;
  } else {
    std::memcpy(buffer, source.Row(r), rowBytes);  // the work row is about to be overwritten
  }

  if (horizontal_) {
    // The work row, read again by the sampling soon after, goes through the
    // caches; its copy in the scratch image, read by no one soon, bypasses
    // them.
    unsigned char* const result = writeWork ? WorkRow(r) : HorizontalRow(r);
    const std::int64_t size = startIsInt16 ? 2 : 4;
    if (x >= 3) MeanOfThree(result + 4, start + 2 * size, start, start + size, x - 2, startIsInt16);
    if (writeWork && x >= 1) {
      // Columns 0 and x - 1 are never smoothed: they keep the scratch image's.
      std::memcpy(result, HorizontalRow(r), 4);
      std::memcpy(result + 4 * (x - 1), HorizontalRow(r) + 4 * (x - 1), 4);
      if (x >= 3 && ScratchRowRead(2, r))
        kernels_.copyForLater(HorizontalRow(r) + 4, result + 4, rowBytes - 8);
    }
  } else if (writeWork) {
    if (startIsInt16) {
      const std::int64_t done = kernels_.int16ToFloat(WorkRow(r), start, x);
      kScalarRowKernels.int16ToFloat(WorkRow(r) + 4 * done, start + 2 * done, x - done);
    } else {
      std::memcpy(WorkRow(r), start, rowBytes);
    }
  }
}

void ImageRun::MeanOfThree(unsigned char* to, const unsigned char* first,
                           const unsigned char* second, const unsigned char* last,
                           std::int64_t count, bool int16) const {
  const RowKernels& scalar = kScalarRowKernels;
  const auto kernel = int16 ? kernels_.meanOfInt16s : kernels_.meanOfFloats;
  const auto finish = int16 ? scalar.meanOfInt16s : scalar.meanOfFloats;
  const std::int64_t size = int16 ? 2 : 4;
  const std::int64_t done = kernel(to, first, second, last, count);
  finish(to + 4 * done, first + size * done, second + size * done, last + size * done,
         count - done);
}

// One lane, for the per-column terms.
struct OneLane {
  using D = double;
  static D Splat(double v) { return v; }
};

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

}  // namespace

FastTransform::FastTransform(int workers) : requested_(workers), pool_(ProcessWorkers(workers)) {}

int FastTransform::workers() const {
  return std::min(requested_, pool_.workers());
}

// Obtained at the first image and again only when a later one needs more.
bool FastTransform::ObtainScratch(std::int64_t rowFloats, std::int64_t columns) {
  try {
    rowBuffers_.resize(std::size_t(workers()));
    wrapped_.resize(rowBuffers_.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (OwnedBuffer<float>& buffer : rowBuffers_) {
    if (buffer.size() < std::size_t(rowFloats) && !buffer.Obtain(std::size_t(rowFloats)))
      return false;
  }
  const auto terms = std::size_t(2 * columns);
  return columnTerms_.size() >= terms || columnTerms_.Obtain(terms);
}

bool FastTransform::Reserve(const ConversionParameters& job) {
  return ObtainScratch(std::int64_t{job.inSizeX} + 1, job.outSizeX);
}

bool FastTransform::Run(ConversionParameters& job, const ImageBuffers& buffers,
                        const RowKernels& kernels, RowStream* output, std::int64_t& wrapped) {
  if (!Reserve(job)) return false;
  for (WrappedCount& count : wrapped_) count.samples = 0;
  ImageRun run(job, buffers, kernels, pool_, rowBuffers_, wrapped_.data(), columnTerms_.data(),
               output);
  run.Decode();
  if (TakesDirectPath(job)) {
    run.CopyDirect();
  } else {
    // The geometry exactly as the reference derives it.
    const double theta = double(job.angle) * sample_arithmetic::kDegreesToRadians;
    const double stepX = double(std::int64_t{job.cropRight} - job.cropLeft) / double(job.outSizeX);
    const double stepY = double(std::int64_t{job.cropBottom} - job.cropTop) / double(job.outSizeY);
    const bool sampled = job.outSizeX > 0 && job.outSizeY > 0;
    const bool vertical = stepY >= 2.0, horizontal = stepX >= 2.0;
    if (sampled) run.PrepareSampling(std::cos(theta), std::sin(theta), stepX, stepY);
    // Only the passes write the scratch images, so only they need the bound.
    std::int64_t readTo = std::numeric_limits<std::int64_t>::max();
    if (vertical || horizontal)
      readTo = sampled ? run.HighestRead() : std::numeric_limits<std::int64_t>::min();
    run.Smooth(vertical, horizontal, readTo);
    if (sampled) run.Sample();
  }
  wrapped = 0;
  for (const WrappedCount& count : wrapped_) wrapped += count.samples;
  return true;
}

}  // namespace projconv
