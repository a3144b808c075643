// The row kernels in 4 double lanes (AVX2). Compiled with -mavx2 but without
// FMA, and with contraction off, so every lane rounds exactly as the scalar
// code does. Only intrinsics, templates instantiated with this file's own lane
// types and the out-of-line scalar helpers are used here: nothing compiled for
// AVX2 can be shared with, and picked up by, code meant for any x86-64.

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "engine/internal/row_kernels.h"
#include "engine/internal/row_loops.h"

namespace projconv {

namespace {

using sample_arithmetic::Neighbours;

struct Doubles {
  __m256d v;
};
Doubles operator+(Doubles a, Doubles b) {
  return {_mm256_add_pd(a.v, b.v)};
}
Doubles operator-(Doubles a, Doubles b) {
  return {_mm256_sub_pd(a.v, b.v)};
}
Doubles operator*(Doubles a, Doubles b) {
  return {_mm256_mul_pd(a.v, b.v)};
}
Doubles operator/(Doubles a, Doubles b) {
  return {_mm256_div_pd(a.v, b.v)};
}

struct Avx2Lanes {
  static constexpr int kWidth = 4;
  using D = Doubles;

  static D Splat(double v) { return {_mm256_set1_pd(v)}; }
  static D RoundToFloat(D d) { return {_mm256_cvtps_pd(_mm256_cvtpd_ps(d.v))}; }
  static D LoadDoubles(const double* from) { return {_mm256_loadu_pd(from)}; }
  static D Truncate(D d) { return {_mm256_round_pd(d.v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC)}; }
  static D Wrap32(D d) { return d; }

  static D Load(row_loops::FloatSamples from, std::int64_t j) {
    return {_mm256_cvtps_pd(_mm_loadu_ps(reinterpret_cast<const float*>(from.at + 4 * j)))};
  }
  static D Load(row_loops::Int16Samples from, std::int64_t j) {
    const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from.at + 2 * j));
    return {_mm256_cvtepi32_pd(_mm_cvtepi16_epi32(raw))};
  }
  static void StoreFloats(unsigned char* to, D v) {
    _mm_storeu_ps(reinterpret_cast<float*>(to), _mm256_cvtpd_ps(v.v));
  }

  // Exact where |v| < 2^31, for NaN and beyond 2^63 (all 0); the sampling
  // loop makes again, with StoreSample16, any stretch where it may not be.
  static void StoreSample16Fast(unsigned char* to, D v) {
    const __m128i lowHalves =
        _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to),
                     _mm_shuffle_epi8(_mm256_cvttpd_epi32(v.v), lowHalves));
  }
  static void StoreSample16(unsigned char* to, D v) {
    __m128i whole = _mm256_cvttpd_epi32(v.v);
    // A lane beyond the 32-bit range comes back as 0x80000000; its low 16
    // bits then need the full 64-bit truncation. Marked rare, so that what
    // the loops carry from step to step stays in registers around the call.
    const __m128i outOfRange = _mm_cmpeq_epi32(whole, _mm_set1_epi32(INT32_MIN));
    if (_mm_movemask_epi8(outOfRange) != 0) [[unlikely]] {
      alignas(32) double lanes[kWidth];
      alignas(16) std::int32_t samples[kWidth];
      _mm256_store_pd(lanes, v.v);
      for (int lane = 0; lane < kWidth; ++lane) samples[lane] = Sample16Of(lanes[lane]);
      whole = _mm_load_si128(reinterpret_cast<const __m128i*>(samples));
    }
    const __m128i lowHalves =
        _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(whole, lowHalves));
  }
  // A NaN lane of v leaves the lane of `largest` as it was.
  static D LargerMagnitude(D largest, D v) {
    return {_mm256_max_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), v.v), largest.v)};
  }
  static bool AllBelow(D v, double bound) {
    return _mm256_movemask_pd(_mm256_cmp_pd(v.v, _mm256_set1_pd(bound), _CMP_LT_OQ)) == 0xF;
  }
  static int WrappedLanes(D v) {
    const __m256d above =
        _mm256_cmp_pd(v.v, _mm256_set1_pd(sample_arithmetic::kWrapsFromAbove), _CMP_GE_OQ);
    const __m256d below =
        _mm256_cmp_pd(v.v, _mm256_set1_pd(sample_arithmetic::kWrapsFromBelow), _CMP_LE_OQ);
    return std::popcount(unsigned(_mm256_movemask_pd(_mm256_or_pd(above, below))));
  }
};

// Splits gathered pairs (P00, P10) of four lanes into P00s and P10s.
void SplitPairs(__m256i pairs, Doubles& first, Doubles& second) {
  const __m256 ordered = _mm256_permutevar8x32_ps(_mm256_castsi256_ps(pairs),
                                                  _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
  first = {_mm256_cvtps_pd(_mm256_castps256_ps128(ordered))};
  second = {_mm256_cvtps_pd(_mm256_extractf128_ps(ordered, 1))};
}

// The four neighbours of each lane as two gathers of adjacent pairs, one in
// row y0 and one in row y0 + 1. The caller's proof keeps the index and y0 * X
// below 2^32 in magnitude, so both are exact in double.
struct GatherFetch {
  const long long* upper;
  const long long* lower;
  __m256d width;

  Neighbours<Doubles> operator()(Doubles x0, Doubles y0) const {
    const __m128i k = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(y0.v, width), x0.v));
    Neighbours<Doubles> p;
    SplitPairs(_mm256_i32gather_epi64(upper, k, 4), p.p00, p.p10);
    SplitPairs(_mm256_i32gather_epi64(lower, k, 4), p.p01, p.p11);
    return p;
  }
};

// The neighbours of four lanes. A row's source positions move monotonically
// along it, so the first and last lanes bound the others. When the lanes span
// at most two rows, as in ordinary enlarging, reducing and turning, each of
// three rows is loaded 8 or 16 samples wide and permuted into place, sample
// and right neighbour in one vector; a blend then takes each lane's pair of
// rows. Gathers are the fallback: on some processors with AVX2 they cost
// several times as much as the loads and permutations together.
struct WindowFetch {
  const unsigned char* work;
  std::int64_t width;
  std::int64_t firstReadable, lastReadable;
  std::int64_t nextRowStep;
  GatherFetch gather;

  Neighbours<Doubles> operator()(Doubles x0d, Doubles y0d) const {
    const __m128i x0 = _mm256_cvttpd_epi32(x0d.v);
    const __m128i y0 = _mm256_cvttpd_epi32(y0d.v);
    const std::int32_t xFirst = _mm_cvtsi128_si32(x0);
    const std::int32_t xLast = _mm_extract_epi32(x0, 3);
    const std::int32_t yFirst = _mm_cvtsi128_si32(y0);
    const std::int32_t yLast = _mm_extract_epi32(y0, 3);
    const std::int32_t xBase = xFirst < xLast ? xFirst : xLast;
    const std::int32_t yBase = yFirst < yLast ? yFirst : yLast;
    const std::int32_t xSpan = xFirst < xLast ? xLast - xFirst : xFirst - xLast;
    const std::int32_t ySpan = yFirst < yLast ? yLast - yFirst : yFirst - yLast;
    const std::int64_t first = std::int64_t{yBase} * width + xBase;
    if (ySpan <= 1 && first >= firstReadable) {
      const std::int64_t lastRow = first + 2 * width;
      if (xSpan <= 6 && lastRow + 7 <= lastReadable) {
        PrefetchNextRow(first);
        return FromRows<1>(x0, y0, xBase, yBase, work + 4 * first);
      }
      if (xSpan <= 14 && lastRow + 15 <= lastReadable) {
        PrefetchNextRow(first);
        return FromRows<2>(x0, y0, xBase, yBase, work + 4 * first);
      }
    }
    return gather(x0d, y0d);
  }

  // The rows the next output row will read here, while this one computes.
  void PrefetchNextRow(std::int64_t first) const {
    row_loops::PrefetchRows<Avx2Lanes>(work, width, first + nextRowStep);
  }

  // Rows yBase .. yBase + 2 from column xBase, kLoads times 8 samples wide.
  // The third row is loaded even when no lane needs it: whether one does
  // changes from vector to vector, and a branch on it would be mispredicted.
  template <int kLoads>
  Neighbours<Doubles> FromRows(__m128i x0, __m128i y0, std::int32_t xBase, std::int32_t yBase,
                               const unsigned char* window) const {
    const __m128i at = _mm_sub_epi32(x0, _mm_set1_epi32(xBase));
    // Lanes 0-3 pick each lane's sample, lanes 4-7 the one to its right.
    const __m256i pairs = _mm256_set_m128i(_mm_add_epi32(at, _mm_set1_epi32(1)), at);
    const __m256 fromSecondLoad =
        _mm256_castsi256_ps(_mm256_cmpgt_epi32(pairs, _mm256_set1_epi32(7)));
    const auto pick = [&](const unsigned char* row) {
      const auto* samples = reinterpret_cast<const float*>(row);
      __m256 picked = _mm256_permutevar8x32_ps(_mm256_loadu_ps(samples), pairs);
      if constexpr (kLoads == 2) {
        picked = _mm256_blendv_ps(
            picked, _mm256_permutevar8x32_ps(_mm256_loadu_ps(samples + 8), pairs), fromSecondLoad);
      }
      return picked;
    };
    const __m256 row0 = pick(window);
    const __m256 row1 = pick(window + 4 * width);
    const __m256 row2 = pick(window + 8 * width);
    const __m128i downLanes = _mm_cmpeq_epi32(y0, _mm_set1_epi32(yBase + 1));
    const __m256 down = _mm256_castsi256_ps(_mm256_set_m128i(downLanes, downLanes));
    const __m256 upper = _mm256_blendv_ps(row0, row1, down);
    const __m256 lower = _mm256_blendv_ps(row1, row2, down);
    return {Widen(_mm256_castps256_ps128(upper)), Widen(_mm256_extractf128_ps(upper, 1)),
            Widen(_mm256_castps256_ps128(lower)), Widen(_mm256_extractf128_ps(lower, 1))};
  }

  static Doubles Widen(__m128 v) { return {_mm256_cvtps_pd(v)}; }
};

std::int64_t MeanOfFloats(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  return row_loops::MeanOfRows<Avx2Lanes>(to, row_loops::FloatSamples{first},
                                          row_loops::FloatSamples{second},
                                          row_loops::FloatSamples{last}, count);
}

// Eight samples a step, in float lanes (see sample_arithmetic.h).
std::int64_t MeanOfInt16s(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  const __m256 third = _mm256_set1_ps(static_cast<float>(sample_arithmetic::kThird));
  const auto load = [](const unsigned char* from) {
    return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
  };
  std::int64_t j = 0;
  for (; j + 8 <= count; j += 8) {
    const __m256i sum = _mm256_add_epi32(
        _mm256_add_epi32(load(first + 2 * j), load(second + 2 * j)), load(last + 2 * j));
    _mm256_storeu_ps(reinterpret_cast<float*>(to + 4 * j),
                     _mm256_mul_ps(_mm256_cvtepi32_ps(sum), third));
  }
  return j;
}

std::int64_t SampleRowGathered(const SamplingRow& row, unsigned char* out, std::int64_t begin,
                               std::int64_t end, std::int64_t& wrapped) {
  const GatherFetch gather{
      reinterpret_cast<const long long*>(row.work),
      reinterpret_cast<const long long*>(row.work + 4 * std::int64_t{row.width}),
      _mm256_set1_pd(row.width)};
  const WindowFetch fetch{row.work,         row.width,       row.firstReadable,
                          row.lastReadable, row.nextRowStep, gather};
  return row_loops::SampleRow<Avx2Lanes>(row, fetch, out, begin, end, wrapped);
}

void CopyForLater(unsigned char* to, const unsigned char* from, std::size_t bytes) {
  std::size_t head = (32 - (reinterpret_cast<std::uintptr_t>(to) & 31)) & 31;
  if (head > bytes) head = bytes;
  __builtin_memcpy(to, from, head);
  std::size_t done = head;
  for (; done + 32 <= bytes; done += 32) {
    _mm256_stream_si256(reinterpret_cast<__m256i*>(to + done),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + done)));
  }
  __builtin_memcpy(to + done, from + done, bytes - done);
  _mm_sfence();  // the stores bypassing the caches are ordered before whatever follows
}

}  // namespace

// Eight int32 keys (see median_network.h).
struct Avx2Keys {
  static constexpr int kWidth = 8;
  static __m256i KeysOf(const float* from) {
    const __m256 values = _mm256_loadu_ps(from);
    const __m256i bits = _mm256_castps_si256(values);
    const __m256i flip =
        _mm256_and_si256(_mm256_srai_epi32(bits, 31), _mm256_set1_epi32(0x7fffffff));
    const __m256i keys = _mm256_xor_si256(bits, flip);
    const __m256 nan = _mm256_cmp_ps(values, values, _CMP_UNORD_Q);
    return _mm256_castps_si256(_mm256_blendv_ps(
        _mm256_castsi256_ps(keys), _mm256_castsi256_ps(_mm256_set1_epi32(0x7fc00000)), nan));
  }
  static __m256i Load(const std::int32_t* from) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(from));
  }
  static void Store(std::int32_t* to, __m256i v) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(to), v);
  }
  static __m256i Min(__m256i a, __m256i b) { return _mm256_min_epi32(a, b); }
  static __m256i Max(__m256i a, __m256i b) { return _mm256_max_epi32(a, b); }
};

const RowKernels kAvx2RowKernels{
    MeanOfFloats,
    MeanOfInt16s,
    row_loops::Int16ToFloat<Avx2Lanes>,
    row_loops::ScaleFloats<Avx2Lanes>,
    row_loops::ScaledSamples16<Avx2Lanes>,
    SampleRowGathered,
    row_loops::CorrectInt16s<Avx2Lanes>,
    row_loops::CorrectFloats<Avx2Lanes>,
    median_network::MedianAcross<Avx2Keys>,
    CopyForLater,
};

}  // namespace projconv
