// The fast schedule of the transform: the same stages as the reference, in
// the same order, each run over chunks of rows that the pool's workers take
// in turn; every stage ends before the next begins. The output is the
// reference's, bit for bit; the buffers need not end as the reference leaves
// them. The stages themselves are ImageRun's (image_run.h).

#include "engine/internal/transform_fast.h"

#include <cmath>
#include <limits>
#include <new>

#include "engine/internal/image_run.h"
#include "engine/refusal.h"
#include "engine/sample_math.h"

namespace projconv {

FastTransform::FastTransform(int workers) : requested_(workers), pool_(ProcessWorkers(workers)) {}

int FastTransform::workers() const {
  return std::min(requested_, pool_.workers());
}

// Obtained at the first image and again only when a later one needs more.
bool FastTransform::ObtainScratch(std::int64_t rowFloats, std::int64_t bandFloats,
                                  std::int64_t columns) {
  try {
    rowBuffers_.resize(std::size_t(workers()));
    bands_.resize(rowBuffers_.size());
    wrapped_.resize(rowBuffers_.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (OwnedBuffer<float>& buffer : rowBuffers_) {
    if (buffer.size() < std::size_t(rowFloats) && !buffer.Obtain(std::size_t(rowFloats)))
      return false;
  }
  for (OwnedBuffer<float>& band : bands_) {
    if (band.size() < std::size_t(bandFloats) && !band.Obtain(std::size_t(bandFloats)))
      return false;
  }
  const auto terms = std::size_t(2 * columns);
  return columnTerms_.size() >= terms || columnTerms_.Obtain(terms);
}

bool FastTransform::Reserve(const ConversionParameters& job) {
  // The rows of a chunk of the smoothing, and one on either side.
  const std::int64_t rows = ChunksOf(job.inSizeY, job.inSizeX, kAnyRows).rowsPerChunk + 2;
  return ObtainScratch(std::int64_t{job.inSizeX} + 1, rows * job.inSizeX, job.outSizeX);
}

bool FastTransform::Run(ConversionParameters& job, const ImageBuffers& buffers,
                        const RowKernels& kernels, RowStream* output, std::int64_t& wrapped,
                        const FlatField* flat) {
  if (!Reserve(job)) return false;
  for (WrappedCount& count : wrapped_) count.samples = 0;
  ImageRun run(job, buffers, kernels, pool_, rowBuffers_, bands_, wrapped_.data(),
               columnTerms_.data(), output, flat);
  run.Decode();
  if (TakesDirectPath(job)) {
    if (flat != nullptr) run.Correct();
    run.CopyDirect();
  } else {
    // The geometry exactly as the reference derives it.
    const double theta = double(job.angle) * sample_arithmetic::kDegreesToRadians;
    const double stepX = double(std::int64_t{job.cropRight} - job.cropLeft) / double(job.outSizeX);
    const double stepY = double(std::int64_t{job.cropBottom} - job.cropTop) / double(job.outSizeY);
    const bool sampled = job.outSizeX > 0 && job.outSizeY > 0;
    const bool vertical = stepY >= 2.0, horizontal = stepX >= 2.0;
    // A smoothed 16-bit input is corrected row by row inside the smoothing.
    const bool correctedBySmoothing =
        job.sampleType == SampleType::Integer16 && (vertical || horizontal);
    if (flat != nullptr && !correctedBySmoothing) run.Correct();
    if (sampled) run.PrepareSampling(std::cos(theta), std::sin(theta), stepX, stepY);
    // Only the passes write the scratch images, so only they need the bound;
    // a corrected conversion reads nothing beyond the work image.
    std::int64_t readTo = std::numeric_limits<std::int64_t>::max();
    if (vertical || horizontal)
      readTo =
          sampled && flat == nullptr ? run.HighestRead() : std::numeric_limits<std::int64_t>::min();
    run.Smooth(vertical, horizontal, readTo);
    if (sampled) run.Sample();
  }
  wrapped = 0;
  for (const WrappedCount& count : wrapped_) wrapped += count.samples;
  return true;
}

}  // namespace projconv
