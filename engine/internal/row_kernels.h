#pragma once

// The inner loops of the fast transform, one set per instruction set, chosen
// at run time. Each loop works along one row (or one stretch of samples) and
// knows nothing of threads or of the image as a whole.
//
// Pointers are byte addresses: samples may sit at any byte alignment, as the
// header length decides. A vector loop handles the samples it can in whole
// vectors and returns how many it did; the caller hands the rest to the
// scalar set, whose loops always finish.

#include <cstddef>
#include <cstdint>

#include <vector>

#include "engine/internal/median_network.h"
#include "engine/internal/sample_arithmetic.h"

namespace projconv {

template <typename T>
class SampleView;

// One output row of the sampling step.
struct SamplingRow {
  sample_arithmetic::RowGeometry geometry;
  // cos * dx and sin * dx of every output column (ColumnOffset), which all
  // rows share.
  const double* cosDx;
  const double* sinDx;
  const unsigned char* work;  // the work image's first sample
  std::int32_t width;         // samples per row of the work image
  // The samples, counted from the work image's first, that lie wholly inside
  // the float buffer: a kernel may read around the neighbours within these.
  std::int64_t firstReadable, lastReadable;
  // Roughly how far, in samples, the next output row's source positions lie
  // from this row's: for prefetching only.
  std::int64_t nextRowStep;
};

struct RowKernels {
  // to[k] = float(((first[k] + second[k]) + last[k]) * third), k < count,
  // from float or from 16-bit samples.
  std::int64_t (*meanOfFloats)(unsigned char* to, const unsigned char* first,
                               const unsigned char* second, const unsigned char* last,
                               std::int64_t count);
  std::int64_t (*meanOfInt16s)(unsigned char* to, const unsigned char* first,
                               const unsigned char* second, const unsigned char* last,
                               std::int64_t count);
  // to[k] = float(from[k]) for 16-bit samples.
  std::int64_t (*int16ToFloat)(unsigned char* to, const unsigned char* from, std::int64_t count);
  // to[k] = float(from[k] * scale) for float samples.
  std::int64_t (*scaleFloats)(unsigned char* to, const unsigned char* from, double scale,
                              std::int64_t count);
  // to[k] = low 16 bits of trunc(from[k] * scale), from float samples.
  // Adds the number of samples that wrapped to `wrapped`, and, where that is
  // not 0 already, expects more of them and counts them at less cost.
  std::int64_t (*scaledSamples16)(unsigned char* to, const unsigned char* from, double scale,
                                  std::int64_t count, std::int64_t& wrapped);
  // Output samples begin .. end - 1 of one row, reading the work image with
  // no bounds check: the caller has proved every neighbour lies in the buffer
  // at an index below 2^31. Returns where it stopped; adds the number of
  // samples that wrapped to `wrapped`, and, where that is not 0 already,
  // expects more of them and counts them at less cost.
  std::int64_t (*sampleRow)(const SamplingRow& row, unsigned char* out, std::int64_t begin,
                            std::int64_t end, std::int64_t& wrapped);
  // The transmission correction of a stretch of samples (engine/flat_field.h):
  // to[k] = float(((v[k] - dark[k]) / den[k]) * s), v the 16-bit samples or
  // the float samples times `scale` rounded to float; `dark` may be null
  // (subtracting 0.0 changes no value).
  std::int64_t (*correctInt16s)(unsigned char* to, const unsigned char* from, const double* dark,
                                const double* den, double s, std::int64_t count);
  std::int64_t (*correctFloats)(unsigned char* to, const unsigned char* from, double scale,
                                const double* dark, const double* den, double s,
                                std::int64_t count);
  // The medians of positions 0 .. count - 1 across n frames (frame f at
  // frames + f * stride, n <= median_network::kMostFrames), sorted by
  // `steps` (median_network::StepsFor(n)). Returns how many it did.
  std::int64_t (*medianAcross)(const float* frames, std::int64_t stride, int n,
                               const std::vector<median_network::Step>& steps, std::int64_t count,
                               double* out);
  // memcpy for data nobody reads soon: stores that need not pass through the
  // caches, where the processor has them.
  void (*copyForLater)(unsigned char* to, const unsigned char* from, std::size_t bytes);
};

// Tables rather than functions, so that choosing a set runs no code compiled
// for an instruction set the processor may lack. The vector sets exist in
// x86-64 builds (PROJCONV_X86_KERNELS) and may only be used where the
// processor has their instructions.
extern const RowKernels kScalarRowKernels;
extern const RowKernels kAvx2RowKernels;
extern const RowKernels kAvx512RowKernels;
bool ProcessorHasAvx2();
bool ProcessorHasAvx512();

// Output samples begin .. end - 1 of a row whose neighbours may lie anywhere:
// each read goes through `work`, so one outside the buffer reads 0.
void SampleRowChecked(const SamplingRow& row, const SampleView<float>& work, unsigned char* out,
                      std::int64_t begin, std::int64_t end, std::int64_t& wrapped);

// Low 16 bits of trunc(v), for the rare lane a vector conversion cannot do.
std::uint16_t Sample16Of(double v);

// Whether the output sample of v wraps (see sample_arithmetic.h), for
// samples made outside the row kernels.
bool Sample16Wraps(double v);

}  // namespace projconv
