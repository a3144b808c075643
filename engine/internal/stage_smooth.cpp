// The smoothing passes. 16-bit input: one phase, each row built from the
// input rows around it (which nothing writes), through both passes, into the
// scratch images and the work image. Float input: scaled in place; then the
// passes into the scratch images; then the result over the work image, since
// the vertical pass reads the rows around each row of work.
//
// What an image leaves in the scratch images is read by its own sampling
// alone, as far neighbours beyond the work image, and every image writes the
// rows its sampling reads before the sampling starts. So a scratch row
// starting beyond the highest neighbour index of any output row (each row's
// bounded as for its bounds checks) is left as it was, which spares the copy
// of both passes' results, a third of the memory traffic of a reducing batch.

#include "engine/internal/image_run.h"

#include <algorithm>
#include <cstring>

namespace projconv {

void ImageRun::Smooth(bool vertical, bool horizontal, std::int64_t readTo) {
  vertical_ = vertical;
  horizontal_ = horizontal;
  readTo_ = readTo;
  const auto eachRow = [&](const SourceRows& source, bool writeWork) {
    ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int worker) {
      for (std::int64_t r = begin; r < end; ++r) SmoothRow(r, source, writeWork, worker);
    });
  };
  if (job_.sampleType == SampleType::Integer16 && flat_ == nullptr) {
    eachRow(SourceRows{input_, 2 * width_, true}, true);
    return;
  }
  if (job_.sampleType == SampleType::Integer16 && (vertical || horizontal)) {
    SmoothCorrected();
    return;
  }

  // A corrected work image is final already: the conversion goes on with
  // scale 1.
  const double scale = job_.scale;
  if (flat_ == nullptr) {
    ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
      unsigned char* const from = WorkRow(begin);
      const std::int64_t count = (end - begin) * width_;
      const std::int64_t done = kernels_.scaleFloats(from, from, scale, count);
      kScalarRowKernels.scaleFloats(from + 4 * done, from + 4 * done, scale, count - done);
    });
  }
  if (!vertical && !horizontal) return;
  eachRow(SourceRows{work_, 4 * width_, false}, !vertical);
  if (!vertical) return;
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
    const unsigned char* from = horizontal ? HorizontalRow(begin) : VerticalRow(begin);
    std::memcpy(WorkRow(begin), from, std::size_t(4 * (end - begin) * width_));
  });
}

// Each chunk corrects its rows and the one on either side into its band,
// and the passes read them there. The band is the worker's own, and the
// 16-bit input it is made from is written by no one, so the work image can
// take the results at once, as for an uncorrected 16-bit input: the work
// image is written once instead of corrected, read, and written again.
void ImageRun::SmoothCorrected() {
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int worker) {
    const std::int64_t low = std::max<std::int64_t>(begin - 1, 0);
    const std::int64_t high = std::min(end + 1, height_);
    unsigned char* const band = BytesOf(bands_[std::size_t(worker)].data());
    CorrectRange(low * width_, (high - low) * width_, band);
    const SourceRows source{band, 4 * width_, false, low};
    for (std::int64_t r = begin; r < end; ++r) SmoothRow(r, source, true, worker);
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

}  // namespace projconv
