#pragma once

// One image going through the fast schedule: the parameters, the views of
// its buffers and the means to run it (kernels, threads, row buffers). Each
// stage of the transform is a member defined in a file of its own, beside
// the plain definition it must match (engine/reference/):
//
//   Decode       image_run.cpp    byte swap and halving of 16-bit samples
//   Correct      stage_correct.cpp with flats and darks: the corrected work
//                                 image, which the float path then takes on
//   CopyDirect   stage_copy.cpp   the window copied (float samples scaled)
//   Smooth       stage_smooth.cpp the work image, smoothed vertically and
//                                 horizontally where the output reduces
//   Sample       stage_sample.cpp the rotated window sampled onto the output
//
// and each finished stretch of output rows goes to the image's RowStream,
// the store stage, as soon as it is final. transform_fast.cpp decides which
// stages run, in what order.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/conversion_parameters.h"
#include "engine/internal/row_kernels.h"
#include "engine/internal/sample_view.h"
#include "engine/internal/sampling_bounds.h"
#include "engine/internal/transform_fast.h"
#include "engine/internal/worker_pool.h"
#include "engine/owned_buffer.h"

namespace projconv {

struct FlatField;
struct ImageBuffers;
class RowStream;

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

inline RowChunks ChunksOf(std::int64_t rows, std::int64_t rowSamples, std::int64_t mostRows) {
  const std::int64_t perChunk = kSamplesPerChunk / std::max<std::int64_t>(1, rowSamples);
  return {rows, std::clamp<std::int64_t>(perChunk, 1, mostRows)};
}

inline unsigned char* BytesOf(void* p) {
  return static_cast<unsigned char*>(p);
}

// Rows of the image the smoothing starts from: the 16-bit input, the
// (already scaled) float work image, or a band of corrected rows from row
// `firstRow` on.
struct SourceRows {
  const unsigned char* first;
  std::int64_t rowBytes;
  bool int16;
  std::int64_t firstRow = 0;

  const unsigned char* Row(std::int64_t r) const { return first + (r - firstRow) * rowBytes; }
};

class ImageRun {
 public:
  // `wrapped` has one counter per row buffer, which the image adds to.
  // `flat`, if not null, corrects every image (and then every sample
  // outside the work image reads as 0).
  ImageRun(ConversionParameters& job, const ImageBuffers& buffers, const RowKernels& kernels,
           WorkerPool& pool, std::vector<OwnedBuffer<float>>& rowBuffers,
           std::vector<OwnedBuffer<float>>& bands, WrappedCount* wrapped, double* columnTerms,
           RowStream* output, const FlatField* flat);

  void Decode();
  // The corrected work image, when there is a flat field. A 16-bit input
  // that is smoothed skips it: its rows are corrected as the smoothing
  // needs them (Smooth).
  void Correct();
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
  // Both passes from corrected 16-bit input rows, made a band at a time in
  // the worker's band buffer while they are in cache.
  void SmoothCorrected();
  // Samples first .. first + count - 1 corrected, to `to` (sample first's place).
  void CorrectRange(std::int64_t first, std::int64_t count, unsigned char* to) const;
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
  std::vector<OwnedBuffer<float>>& bands_;  // one per row buffer: a chunk's rows and two more
  WrappedCount* const wrapped_;             // one per row buffer
  double* const columnTerms_;               // 2 * outSizeX doubles
  RowStream* const output_;
  const FlatField* const flat_;
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

}  // namespace projconv
