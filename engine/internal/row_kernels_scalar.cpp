// The row kernels one sample at a time: the fallback for any processor, the
// finish of every vector loop, and the only kernel for rows whose neighbours
// may lie outside the buffer.

#include <cmath>
#include <cstring>

#include "engine/internal/row_kernels.h"
#include "engine/internal/row_loops.h"
#include "engine/internal/sample_view.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

using sample_arithmetic::Neighbours;

struct ScalarLanes {
  static constexpr int kWidth = 1;
  using D = double;

  static D Splat(double v) { return v; }
  static D LoadDoubles(const double* from) { return *from; }
  static D RoundToFloat(D v) { return static_cast<float>(v); }
  static D Truncate(D v) { return TruncToInt32Bits(v); }
  static D Wrap32(D v) { return TruncToInt32Bits(v); }

  static D Load(row_loops::FloatSamples from, std::int64_t j) {
    float v;
    std::memcpy(&v, from.at + 4 * j, sizeof v);
    return v;
  }
  static D Load(row_loops::Int16Samples from, std::int64_t j) {
    std::int16_t v;
    std::memcpy(&v, from.at + 2 * j, sizeof v);
    return v;
  }
  static D SumOfInt16s(row_loops::Int16Samples a, row_loops::Int16Samples b,
                       row_loops::Int16Samples c, std::int64_t j) {
    return (Load(a, j) + Load(b, j)) + Load(c, j);
  }
  static void StoreFloats(unsigned char* to, D v) {
    const auto f = static_cast<float>(v);
    std::memcpy(to, &f, sizeof f);
  }
  static void StoreSample16(unsigned char* to, D v) {
    const std::uint16_t sample = TruncToSample16(v);
    std::memcpy(to, &sample, sizeof sample);
  }
  static void StoreSample16Fast(unsigned char* to, D v) { StoreSample16(to, v); }
  static D LargerMagnitude(D largest, D v) {
    const double magnitude = std::fabs(v);
    return magnitude > largest ? magnitude : largest;
  }
  static bool AllBelow(D v, double bound) { return v < bound; }
  static int WrappedLanes(D v) {
    return int(v >= sample_arithmetic::kWrapsFromAbove) |
           int(v <= sample_arithmetic::kWrapsFromBelow);
  }
};

// Neighbours read straight from memory: the caller has proved them inside.
struct DirectFetch {
  const unsigned char* work;
  std::int64_t width;

  float At(std::int64_t k) const {
    float v;
    std::memcpy(&v, work + 4 * k, sizeof v);
    return v;
  }
  Neighbours<double> operator()(double x0, double y0) const {
    const std::int64_t k = TruncToInt64(y0) * width + TruncToInt64(x0);
    return {At(k), At(k + 1), At(k + width), At(k + width + 1)};
  }
};

// Neighbours read through the bounds-checked view, as the reference does.
struct CheckedFetch {
  const SampleView<float>& work;
  std::int64_t width;

  Neighbours<double> operator()(double x0, double y0) const {
    const std::int64_t k = TruncToInt64(y0) * width + TruncToInt64(x0);
    return {work.Get(k), work.Get(k + 1), work.Get(k + width), work.Get(k + width + 1)};
  }
};

std::int64_t MeanOfFloats(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  return row_loops::MeanOfRows<ScalarLanes>(to, row_loops::FloatSamples{first},
                                            row_loops::FloatSamples{second},
                                            row_loops::FloatSamples{last}, count);
}

std::int64_t MeanOfInt16s(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  return row_loops::MeanOfInt16Rows<ScalarLanes>(to, row_loops::Int16Samples{first},
                                                 row_loops::Int16Samples{second},
                                                 row_loops::Int16Samples{last}, count);
}

std::int64_t SampleRowDirect(const SamplingRow& row, unsigned char* out, std::int64_t begin,
                             std::int64_t end, std::int64_t& wrapped) {
  return row_loops::SampleRow<ScalarLanes>(row, DirectFetch{row.work, row.width}, out, begin, end,
                                           wrapped);
}

// One position at a time, the plain way does better than a network.
std::int64_t NoMedians(const float*, std::int64_t, int, const std::vector<median_network::Step>&,
                       std::int64_t, double*) {
  return 0;
}

void CopyForLater(unsigned char* to, const unsigned char* from, std::size_t bytes) {
  std::memcpy(to, from, bytes);
}

}  // namespace

const RowKernels kScalarRowKernels{
    MeanOfFloats,
    MeanOfInt16s,
    row_loops::Int16ToFloat<ScalarLanes>,
    row_loops::ScaleFloats<ScalarLanes>,
    row_loops::ScaledSamples16<ScalarLanes>,
    SampleRowDirect,
    row_loops::CorrectInt16s<ScalarLanes>,
    row_loops::CorrectFloats<ScalarLanes>,
    NoMedians,
    CopyForLater,
};

void SampleRowChecked(const SamplingRow& row, const SampleView<float>& work, unsigned char* out,
                      std::int64_t begin, std::int64_t end, std::int64_t& wrapped) {
  row_loops::SampleRow<ScalarLanes>(row, CheckedFetch{work, row.width}, out, begin, end, wrapped);
}

std::uint16_t Sample16Of(double v) {
  return TruncToSample16(v);
}

bool Sample16Wraps(double v) {
  return ScalarLanes::WrappedLanes(v) != 0;
}

bool ProcessorHasAvx2() {
#if defined(PROJCONV_X86_KERNELS)
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool ProcessorHasAvx512() {
#if defined(PROJCONV_X86_KERNELS)
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
#else
  return false;
#endif
}

}  // namespace projconv
