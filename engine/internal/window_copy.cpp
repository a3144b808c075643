#include "engine/internal/window_copy.h"

#include <sys/uio.h>

#include <algorithm>
#include <atomic>
#include <cstddef>

#include "engine/image_sink.h"
#include "engine/internal/image_buffers.h"
#include "engine/internal/int16_decoding.h"
#include "engine/internal/worker_pool.h"
#include "engine/posix_file.h"
#include "engine/refusal.h"

namespace projconv {

namespace {

// A task reads about this many samples, and at most this many rows (two
// pieces each) in one call.
constexpr std::int64_t kSamplesPerTask = 32768;
constexpr std::int64_t kMostRowsPerTask = 256;
// The bytes between two window rows are read into a scrap buffer, sparing a
// call of their own, when there are no more than this: a read call costs
// about as much as copying this many bytes.
constexpr std::size_t kLargestGapRead = 4096;

struct WindowRows {
  const PosixFile& input;
  unsigned char* out;    // the output image: window rows one after the other
  std::size_t rowBytes;  // of a window row
  std::uint64_t first;   // offset of the window's first sample in the file
  std::size_t stride;    // of a file row

  std::uint64_t OffsetOf(std::int64_t row) const { return first + std::uint64_t(row) * stride; }

  // Reads window rows begin .. end - 1: 0, an errno, or kCutShort.
  int Read(std::int64_t begin, std::int64_t end) const {
    unsigned char scrap[kLargestGapRead];
    iovec pieces[2 * kMostRowsPerTask];
    int count = 0;
    std::size_t wanted = 0;
    const std::size_t gapBytes = stride - rowBytes;  // from one window row to the next
    std::uint64_t from = OffsetOf(begin);
    for (std::int64_t row = begin; row < end; ++row) {
      pieces[count++] = {out + std::size_t(row) * rowBytes, rowBytes};
      wanted += rowBytes;
      if (row + 1 < end && gapBytes <= kLargestGapRead) {
        if (gapBytes > 0) pieces[count++] = {scrap, gapBytes};
        wanted += gapBytes;
        continue;
      }
      const long long got = input.ReadPiecesAt(pieces, count, from);
      if (got < 0) return int(-got);
      if (std::size_t(got) < wanted) return kCutShort;
      count = 0;
      wanted = 0;
      from = OffsetOf(row + 1);
    }
    return 0;
  }
};

}  // namespace

bool CopiesWindowsFromFiles(const ConversionParameters& job, const ImageBuffers& buffers) {
  return job.sampleType == SampleType::Integer16 && TakesDirectPath(job) && job.cropLeft >= 0 &&
         job.cropTop >= 0 && job.cropRight <= job.inSizeX && job.cropBottom <= job.inSizeY &&
         buffers.Fit(job);
}

int CopyWindowFromFile(const ConversionParameters& job, std::int16_t* out, const PosixFile& input,
                       WorkerPool& pool, int workers, RowStream& output) {
  const std::int64_t width = job.inSizeX, outX = job.outSizeX, outY = job.outSizeY;
  const WindowRows window{
      input, reinterpret_cast<unsigned char*>(out), std::size_t(2 * outX),
      std::uint64_t(job.headerLen) + 2 * std::uint64_t(job.cropTop * width + job.cropLeft),
      2 * std::size_t(width)};
  const bool swap = job.byteOrder == ByteOrder::BigEndian;
  const bool halve = job.signedness == Signedness::Unsigned;
  const std::int64_t rows = std::clamp<std::int64_t>(kSamplesPerTask / outX, 1, kMostRowsPerTask);
  std::atomic<int> failure{0};
  pool.ForEach((outY + rows - 1) / rows,
               [&](std::int64_t task, int) {
                 const std::int64_t begin = task * rows, end = std::min(outY, begin + rows);
                 if (const int failed = window.Read(begin, end); failed != 0) {
                   int none = 0;
                   failure.compare_exchange_strong(none, failed);
                   return;
                 }
                 const std::size_t at = std::size_t(begin) * window.rowBytes;
                 if (swap || halve)
                   DecodeInt16Samples(window.out + at, (end - begin) * outX, swap, halve);
                 output.Put(at, std::size_t(end - begin) * window.rowBytes);
               },
               workers);
  return failure.load();
}

}  // namespace projconv
