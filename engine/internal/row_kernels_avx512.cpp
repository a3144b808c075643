// The row kernels in 8 double lanes (AVX-512 F, DQ, BW, VL). Compiled for
// those instruction sets without FMA and with contraction off, so every lane
// rounds exactly as the scalar code does. As in the AVX2 file, nothing here is
// shared with code meant for any x86-64.

// GCC 12 takes the deliberately undefined source operand of some AVX-512
// intrinsics for an uninitialised variable of ours.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

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
  __m512d v;
};
Doubles operator+(Doubles a, Doubles b) {
  return {_mm512_add_pd(a.v, b.v)};
}
Doubles operator-(Doubles a, Doubles b) {
  return {_mm512_sub_pd(a.v, b.v)};
}
Doubles operator*(Doubles a, Doubles b) {
  return {_mm512_mul_pd(a.v, b.v)};
}
Doubles operator/(Doubles a, Doubles b) {
  return {_mm512_div_pd(a.v, b.v)};
}

struct Avx512Lanes {
  static constexpr int kWidth = 8;
  using D = Doubles;

  static D Splat(double v) { return {_mm512_set1_pd(v)}; }
  static D RoundToFloat(D d) { return {_mm512_cvtps_pd(_mm512_cvtpd_ps(d.v))}; }
  static D LoadDoubles(const double* from) { return {_mm512_loadu_pd(from)}; }
  static D Truncate(D d) {
    return {_mm512_roundscale_round_pd(d.v, _MM_FROUND_TO_ZERO, _MM_FROUND_NO_EXC)};
  }
  static D Wrap32(D d) { return d; }

  static D Load(row_loops::FloatSamples from, std::int64_t j) {
    return {_mm512_cvtps_pd(_mm256_loadu_ps(reinterpret_cast<const float*>(from.at + 4 * j)))};
  }
  static D Load(row_loops::Int16Samples from, std::int64_t j) {
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from.at + 2 * j));
    return {_mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(raw))};
  }
  static void StoreFloats(unsigned char* to, D v) {
    _mm256_storeu_ps(reinterpret_cast<float*>(to), _mm512_cvtpd_ps(v.v));
  }

  // The 64-bit truncation gives 0x8000000000000000 for NaN and for values
  // beyond 2^63, whose low 16 bits are 0 as required; keeping the low 16 bits
  // of each lane is then the wrap.
  static void StoreSample16(unsigned char* to, D v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                     _mm512_cvtepi64_epi16(_mm512_cvttpd_epi64(v.v)));
  }
  static void StoreSample16Fast(unsigned char* to, D v) { StoreSample16(to, v); }
  // The larger magnitude of each pair, sign cleared, in one instruction; a
  // NaN stays NaN.
  static D LargerMagnitude(D largest, D v) { return {_mm512_range_pd(largest.v, v.v, 0x0B)}; }
  static bool AllBelow(D v, double bound) {
    return _mm512_cmp_pd_mask(v.v, _mm512_set1_pd(bound), _CMP_LT_OQ) == 0xFF;
  }
  static int WrappedLanes(D v) {
    const __mmask8 above =
        _mm512_cmp_pd_mask(v.v, _mm512_set1_pd(sample_arithmetic::kWrapsFromAbove), _CMP_GE_OQ);
    const __mmask8 below =
        _mm512_cmp_pd_mask(v.v, _mm512_set1_pd(sample_arithmetic::kWrapsFromBelow), _CMP_LE_OQ);
    return std::popcount(unsigned(above | below));
  }
};

// Splits gathered pairs (P00, P10) of eight lanes into P00s and P10s.
void SplitPairs(__m512i pairs, Doubles& first, Doubles& second) {
  const __m512i order = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  const __m512 ordered = _mm512_permutexvar_ps(order, _mm512_castsi512_ps(pairs));
  first = {_mm512_cvtps_pd(_mm512_castps512_ps256(ordered))};
  second = {_mm512_cvtps_pd(_mm512_extractf32x8_ps(ordered, 1))};
}

// The neighbours of eight lanes. A row's source positions move monotonically
// along it (every step of their computation is monotonic in the column), so
// the first and last lanes bound the others. When the lanes span at most two
// rows, as in ordinary enlarging, reducing and turning, the neighbours come
// out of loaded rows by permutation: with at most 15 samples across, from
// 16-sample rows stacked two at a time; with at most 31, from 32-sample rows.
// Otherwise they are gathered, four lanes at a time: on some processors a
// gather of eight is far slower than two of four.
struct WindowFetch {
  const unsigned char* work;
  std::int64_t width;
  std::int64_t firstReadable, lastReadable;
  std::int64_t nextRowStep;

  Neighbours<Doubles> operator()(Doubles x0d, Doubles y0d) const {
    const __m256i x0 = _mm512_cvttpd_epi32(x0d.v);
    const __m256i y0 = _mm512_cvttpd_epi32(y0d.v);
    const std::int32_t xFirst = _mm256_extract_epi32(x0, 0);
    const std::int32_t xLast = _mm256_extract_epi32(x0, 7);
    const std::int32_t yFirst = _mm256_extract_epi32(y0, 0);
    const std::int32_t yLast = _mm256_extract_epi32(y0, 7);
    const std::int32_t xBase = xFirst < xLast ? xFirst : xLast;
    const std::int32_t yBase = yFirst < yLast ? yFirst : yLast;
    const std::int32_t xSpan = xFirst < xLast ? xLast - xFirst : xFirst - xLast;
    const std::int32_t ySpan = yFirst < yLast ? yLast - yFirst : yFirst - yLast;
    const std::int64_t first = std::int64_t{yBase} * width + xBase;
    const std::int64_t lastRow = first + (ySpan + 1) * width;
    if (ySpan <= 1 && first >= firstReadable) {
      if (xSpan <= 14 && first + 2 * width + 15 <= lastReadable) {
        PrefetchNextRow(first);
        return FromStackedRows(x0, y0, xBase, yBase, work + 4 * first);
      }
      if (xSpan <= 30 && lastRow + 31 <= lastReadable)
        return FromWideRows(x0, y0, xBase, yBase, ySpan, work + 4 * first);
    }
    return Gathered(x0, y0);
  }

  // The rows the next output row will read here, while this one computes.
  void PrefetchNextRow(std::int64_t first) const {
    row_loops::PrefetchRows<Avx512Lanes>(work, width, first + nextRowStep);
  }

  // Rows y0 and y0 + 1 of a lane are rows (y0 - yBase) and (y0 - yBase + 1)
  // of the window; a two-source permutation over a pair of stacked rows picks
  // each lane's sample from the right one. The third row is loaded even when
  // no lane needs it: whether one does changes from vector to vector, and a
  // branch on it would be mispredicted half the time.
  Neighbours<Doubles> FromStackedRows(__m256i x0, __m256i y0, std::int32_t xBase,
                                      std::int32_t yBase, const unsigned char* window) const {
    const __m256i down = _mm256_slli_epi32(_mm256_sub_epi32(y0, _mm256_set1_epi32(yBase)), 4);
    const __m512i at = _mm512_castsi256_si512(
        _mm256_add_epi32(_mm256_sub_epi32(x0, _mm256_set1_epi32(xBase)), down));
    const __m512i right = _mm512_add_epi32(at, _mm512_set1_epi32(1));
    const auto load = [](const unsigned char* row) {
      return _mm512_loadu_ps(reinterpret_cast<const float*>(row));
    };
    const __m512 row0 = load(window);
    const __m512 row1 = load(window + 4 * width);
    const __m512 row2 = load(window + 8 * width);
    return {Widen(_mm512_permutex2var_ps(row0, at, row1)),
            Widen(_mm512_permutex2var_ps(row0, right, row1)),
            Widen(_mm512_permutex2var_ps(row1, at, row2)),
            Widen(_mm512_permutex2var_ps(row1, right, row2))};
  }

  Neighbours<Doubles> FromWideRows(__m256i x0, __m256i y0, std::int32_t xBase, std::int32_t yBase,
                                   std::int32_t ySpan, const unsigned char* window) const {
    const __m512i at = _mm512_castsi256_si512(_mm256_sub_epi32(x0, _mm256_set1_epi32(xBase)));
    const __m512i right = _mm512_add_epi32(at, _mm512_set1_epi32(1));
    const auto pick = [&](const unsigned char* row, __m512& p0, __m512& p1) {
      const __m512 low = _mm512_loadu_ps(reinterpret_cast<const float*>(row));
      const __m512 high = _mm512_loadu_ps(reinterpret_cast<const float*>(row + 64));
      p0 = _mm512_permutex2var_ps(low, at, high);
      p1 = _mm512_permutex2var_ps(low, right, high);
    };
    __m512 a0, a1, b0, b1;
    pick(window, a0, a1);
    pick(window + 4 * width, b0, b1);
    if (ySpan == 0) return {Widen(a0), Widen(a1), Widen(b0), Widen(b1)};
    __m512 c0, c1;
    pick(window + 8 * width, c0, c1);
    // Lanes one row further down take their pair of rows one row later.
    const __mmask16 down = _mm256_cmpeq_epi32_mask(y0, _mm256_set1_epi32(yBase + 1));
    return {Widen(_mm512_mask_blend_ps(down, a0, b0)), Widen(_mm512_mask_blend_ps(down, a1, b1)),
            Widen(_mm512_mask_blend_ps(down, b0, c0)), Widen(_mm512_mask_blend_ps(down, b1, c1))};
  }

  static Doubles Widen(__m512 v) { return {_mm512_cvtps_pd(_mm512_castps512_ps256(v))}; }

  // Adjacent pairs (P00, P10) and (P01, P11), four lanes per gather. The
  // 32-bit index wraps like the caller's proof allows: the true index fits.
  Neighbours<Doubles> Gathered(__m256i x0, __m256i y0) const {
    const __m256i k =
        _mm256_add_epi32(_mm256_mullo_epi32(y0, _mm256_set1_epi32(std::int32_t(width))), x0);
    const auto* upper = reinterpret_cast<const long long*>(work);
    const auto* lower = reinterpret_cast<const long long*>(work + 4 * width);
    const __m128i kLow = _mm256_castsi256_si128(k);
    const __m128i kHigh = _mm256_extracti128_si256(k, 1);
    Neighbours<Doubles> p;
    SplitPairs(
        Join(_mm256_i32gather_epi64(upper, kLow, 4), _mm256_i32gather_epi64(upper, kHigh, 4)),
        p.p00, p.p10);
    SplitPairs(
        Join(_mm256_i32gather_epi64(lower, kLow, 4), _mm256_i32gather_epi64(lower, kHigh, 4)),
        p.p01, p.p11);
    return p;
  }

  static __m512i Join(__m256i low, __m256i high) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
  }
};

std::int64_t MeanOfFloats(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  return row_loops::MeanOfRows<Avx512Lanes>(to, row_loops::FloatSamples{first},
                                            row_loops::FloatSamples{second},
                                            row_loops::FloatSamples{last}, count);
}

// Sixteen samples a step, in float lanes (see sample_arithmetic.h).
std::int64_t MeanOfInt16s(unsigned char* to, const unsigned char* first,
                          const unsigned char* second, const unsigned char* last,
                          std::int64_t count) {
  const __m512 third = _mm512_set1_ps(static_cast<float>(sample_arithmetic::kThird));
  const auto load = [](const unsigned char* from) {
    return _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
  };
  std::int64_t j = 0;
  for (; j + 16 <= count; j += 16) {
    const __m512i sum = _mm512_add_epi32(
        _mm512_add_epi32(load(first + 2 * j), load(second + 2 * j)), load(last + 2 * j));
    _mm512_storeu_ps(reinterpret_cast<float*>(to + 4 * j),
                     _mm512_mul_ps(_mm512_cvtepi32_ps(sum), third));
  }
  return j;
}

std::int64_t SampleRowGathered(const SamplingRow& row, unsigned char* out, std::int64_t begin,
                               std::int64_t end, std::int64_t& wrapped) {
  const WindowFetch fetch{row.work, row.width, row.firstReadable, row.lastReadable,
                          row.nextRowStep};
  return row_loops::SampleRow<Avx512Lanes>(row, fetch, out, begin, end, wrapped);
}

void CopyForLater(unsigned char* to, const unsigned char* from, std::size_t bytes) {
  std::size_t head = (64 - (reinterpret_cast<std::uintptr_t>(to) & 63)) & 63;
  if (head > bytes) head = bytes;
  __builtin_memcpy(to, from, head);
  std::size_t done = head;
  for (; done + 64 <= bytes; done += 64) {
    _mm512_stream_si512(reinterpret_cast<__m512i*>(to + done),
                        _mm512_loadu_si512(reinterpret_cast<const __m512i*>(from + done)));
  }
  __builtin_memcpy(to + done, from + done, bytes - done);
  _mm_sfence();  // the stores bypassing the caches are ordered before whatever follows
}

}  // namespace

// Sixteen int32 keys (see median_network.h).
struct Avx512Keys {
  static constexpr int kWidth = 16;
  static __m512i KeysOf(const float* from) {
    const __m512 values = _mm512_loadu_ps(from);
    const __m512i bits = _mm512_castps_si512(values);
    const __m512i flip =
        _mm512_and_si512(_mm512_srai_epi32(bits, 31), _mm512_set1_epi32(0x7fffffff));
    const __mmask16 nan = _mm512_cmp_ps_mask(values, values, _CMP_UNORD_Q);
    return _mm512_mask_mov_epi32(_mm512_xor_si512(bits, flip), nan, _mm512_set1_epi32(0x7fc00000));
  }
  static __m512i Load(const std::int32_t* from) { return _mm512_load_si512(from); }
  static void Store(std::int32_t* to, __m512i v) { _mm512_store_si512(to, v); }
  static __m512i Min(__m512i a, __m512i b) { return _mm512_min_epi32(a, b); }
  static __m512i Max(__m512i a, __m512i b) { return _mm512_max_epi32(a, b); }
};

const RowKernels kAvx512RowKernels{
    MeanOfFloats,
    MeanOfInt16s,
    row_loops::Int16ToFloat<Avx512Lanes>,
    row_loops::ScaleFloats<Avx512Lanes>,
    row_loops::ScaledSamples16<Avx512Lanes>,
    SampleRowGathered,
    row_loops::CorrectInt16s<Avx512Lanes>,
    row_loops::CorrectFloats<Avx512Lanes>,
    median_network::MedianAcross<Avx512Keys>,
    CopyForLater,
};

}  // namespace projconv
