#pragma once

// The column loops of the row kernels, written once over a lane type L (see
// sample_arithmetic.h) that also supplies loads and stores:
//   L::kWidth                      lanes per step
//   L::Load(FloatSamples, j)       samples j .. j + kWidth - 1 as doubles
//   L::Load(Int16Samples, j)       the same from 16-bit samples
//   L::SumOfInt16s(a, b, c, j)     (a + b) + c of three such loads
//   L::StoreFloats(to, D)          rounded to float
//   L::StoreSample16(to, D)        low 16 bits of trunc, exact for any value
//   L::StoreSample16Fast(to, D)    the same, exact at least where |D| < 2^31
//   L::LargerMagnitude(M, D)       per lane, the larger of M and |D|, or
//                                  either, or NaN, where D is NaN
//   L::AllBelow(D, bound)          whether every lane is below `bound`
//   L::WrappedLanes(D)             lanes at or beyond the wrap bounds of
//                                  sample_arithmetic.h
//   L::LoadDoubles(from)           kWidth doubles
//   L::RoundToFloat(D)             each lane rounded to float and back
// Each kernel file instantiates these with its own lane type.

#include <cstdint>

#include "engine/internal/row_kernels.h"
#include "engine/internal/sample_arithmetic.h"

namespace projconv {

namespace row_loops {

struct FloatSamples {
  const unsigned char* at;
};
struct Int16Samples {
  const unsigned char* at;
};

template <class L, class Source>
std::int64_t MeanOfRows(unsigned char* to, Source first, Source second, Source last,
                        std::int64_t count) {
  std::int64_t j = 0;
  for (; j + L::kWidth <= count; j += L::kWidth) {
    L::StoreFloats(to + 4 * j, sample_arithmetic::MeanOfThree<L>(
                                   L::Load(first, j), L::Load(second, j), L::Load(last, j)));
  }
  return j;
}

template <class L>
std::int64_t MeanOfInt16Rows(unsigned char* to, Int16Samples first, Int16Samples second,
                             Int16Samples last, std::int64_t count) {
  std::int64_t j = 0;
  for (; j + L::kWidth <= count; j += L::kWidth)
    L::StoreFloats(to + 4 * j,
                   sample_arithmetic::ThirdOf<L>(L::SumOfInt16s(first, second, last, j)));
  return j;
}

template <class L>
std::int64_t Int16ToFloat(unsigned char* to, const unsigned char* from, std::int64_t count) {
  std::int64_t j = 0;
  for (; j + L::kWidth <= count; j += L::kWidth)
    L::StoreFloats(to + 4 * j, L::Load(Int16Samples{from}, j));
  return j;
}

template <class L>
std::int64_t ScaleFloats(unsigned char* to, const unsigned char* from, double scale,
                         std::int64_t count) {
  std::int64_t j = 0;
  for (; j + L::kWidth <= count; j += L::kWidth)
    L::StoreFloats(to + 4 * j, L::Load(FloatSamples{from}, j) * L::Splat(scale));
  return j;
}

// The transmission correction of samples 0 .. count - 1, their values
// given by `value`.
template <class L, class Value>
std::int64_t Corrected(unsigned char* to, const Value& value, const double* dark, const double* den,
                       double s, std::int64_t count) {
  const auto factor = L::Splat(s);
  std::int64_t j = 0;
  if (dark == nullptr) {
    for (; j + L::kWidth <= count; j += L::kWidth)
      L::StoreFloats(to + 4 * j, (value(j) / L::LoadDoubles(den + j)) * factor);
    return j;
  }
  for (; j + L::kWidth <= count; j += L::kWidth) {
    const auto t = (value(j) - L::LoadDoubles(dark + j)) / L::LoadDoubles(den + j);
    L::StoreFloats(to + 4 * j, t * factor);
  }
  return j;
}

template <class L>
std::int64_t CorrectInt16s(unsigned char* to, const unsigned char* from, const double* dark,
                           const double* den, double s, std::int64_t count) {
  const auto value = [from](std::int64_t j) { return L::Load(Int16Samples{from}, j); };
  return Corrected<L>(to, value, dark, den, s, count);
}

template <class L>
std::int64_t CorrectFloats(unsigned char* to, const unsigned char* from, double scale,
                           const double* dark, const double* den, double s, std::int64_t count) {
  const auto value = [from, scale](std::int64_t j) {
    return L::RoundToFloat(L::Load(FloatSamples{from}, j) * L::Splat(scale));
  };
  return Corrected<L>(to, value, dark, den, s, count);
}

// The loops that make output samples also count the ones that wrap. Those are
// rare, and comparing every value with both bounds would cost the sampling up
// to a tenth of its speed. So a loop keeps only the largest magnitude among
// its values, one instruction a step, and only when that reaches the bound
// makes the values again to count them exactly. Where the caller's count
// shows wrapped samples already, more are likely, and the loop compares as it
// goes instead. A NaN may pass unseen or send values to the count; it never
// counts itself.

// The wrapped samples among value(begin), value(begin + kWidth), ... before
// `end`.
template <class L, class Value>
[[gnu::noinline, gnu::cold]] std::int64_t WrappedAmong(const Value& value, std::int64_t begin,
                                                       std::int64_t end) {
  std::int64_t lanes = 0;
  for (std::int64_t j = begin; j < end; j += L::kWidth) lanes += L::WrappedLanes(value(j));
  return lanes;
}

template <class L>
std::int64_t ScaledSamples16(unsigned char* to, const unsigned char* from, double scale,
                             std::int64_t count, std::int64_t& wrapped) {
  // Taken by value, so that no store through `to` can change them: they stay
  // in registers.
  const auto value = [from, scale](std::int64_t j) {
    return L::Load(FloatSamples{from}, j) * L::Splat(scale);
  };
  std::int64_t j = 0;
  if (wrapped != 0) {
    std::int64_t lanes = 0;
    for (; j + L::kWidth <= count; j += L::kWidth) {
      const auto v = value(j);
      L::StoreSample16(to + 2 * j, v);
      lanes += L::WrappedLanes(v);
    }
    wrapped += lanes;
    return j;
  }
  auto largest = L::Splat(0.0);
  for (; j + L::kWidth <= count; j += L::kWidth) {
    const auto v = value(j);
    L::StoreSample16(to + 2 * j, v);
    largest = L::LargerMagnitude(largest, v);
  }
  if (!L::AllBelow(largest, sample_arithmetic::kWrapsFromAbove))
    wrapped += WrappedAmong<L>(value, 0, j);
  return j;
}

// Asks for the three rows from sample `first` of the work image (`width`
// samples a row) to be brought into the nearest cache, two lines of each:
// where the next output row will read, while this one computes. Hints only,
// so the address is formed as a number and may be anywhere. A template on
// the lane type like the rest, so that each kernel file has its own.
template <class L>
void PrefetchRows(const unsigned char* work, std::int64_t width, std::int64_t first) {
  const auto at = reinterpret_cast<std::uintptr_t>(work) + std::uintptr_t(4 * first);
  for (std::int64_t row = 0; row < 3; ++row) {
    const std::uintptr_t line = at + std::uintptr_t(4 * row * width);
    __builtin_prefetch(reinterpret_cast<const void*>(line), 0, 3);
    __builtin_prefetch(reinterpret_cast<const void*>(line + 63), 0, 3);
  }
}

enum class Counting { ByLargest, AsItGoes, Only };

// Flattened: each of the three loops gets the whole arithmetic inlined, as
// the one loop there used to be had it.
//
// The row's geometry and the fetch are copied first: the compiler must assume
// that a store through `out` may change what a reference points to, and
// would load them all again after every store.
template <class L, Counting kCounting, class Fetch>
[[gnu::flatten]] std::int64_t SampleLoop(const SamplingRow& row, const Fetch& sharedFetch,
                                         unsigned char* out, std::int64_t begin, std::int64_t end,
                                         typename L::D& largest, std::int64_t& lanes) {
  const sample_arithmetic::RowGeometry geometry = row.geometry;
  const double* const cosDx = row.cosDx;
  const double* const sinDx = row.sinDx;
  const Fetch fetch = sharedFetch;
  std::int64_t j = begin;
  for (; j + L::kWidth <= end; j += L::kWidth) {
    const auto at = sample_arithmetic::SourcePosition<L>(geometry, L::LoadDoubles(cosDx + j),
                                                         L::LoadDoubles(sinDx + j));
    const auto v = sample_arithmetic::Bilinear<L>(at, fetch);
    if constexpr (kCounting == Counting::ByLargest) L::StoreSample16Fast(out + 2 * j, v);
    if constexpr (kCounting == Counting::AsItGoes) L::StoreSample16(out + 2 * j, v);
    if constexpr (kCounting == Counting::ByLargest) {
      largest = L::LargerMagnitude(largest, v);
    } else {
      lanes += L::WrappedLanes(v);
    }
  }
  return j;
}

template <class L, class Fetch>
[[gnu::noinline, gnu::cold]] std::int64_t WrappedSampled(const SamplingRow& row, const Fetch& fetch,
                                                         std::int64_t begin, std::int64_t end) {
  typename L::D unused = L::Splat(0.0);
  std::int64_t lanes = 0;
  SampleLoop<L, Counting::Only>(row, fetch, nullptr, begin, end, unused, lanes);
  return lanes;
}

// Makes samples begin .. end - 1 again with the exact store, counting those
// that wrap.
template <class L, class Fetch>
[[gnu::noinline, gnu::cold]] std::int64_t Resampled(const SamplingRow& row, const Fetch& fetch,
                                                    unsigned char* out, std::int64_t begin,
                                                    std::int64_t end) {
  typename L::D unused = L::Splat(0.0);
  std::int64_t lanes = 0;
  SampleLoop<L, Counting::AsItGoes>(row, fetch, out, begin, end, unused, lanes);
  return lanes;
}

// Where no sample has wrapped yet, values are stored the fast way, which a
// value of 2^31 or more in magnitude may defeat; the largest magnitude, kept
// to count wrapped samples, also tells when to make the row again exactly.
template <class L, class Fetch>
std::int64_t SampleRow(const SamplingRow& row, const Fetch& fetch, unsigned char* out,
                       std::int64_t begin, std::int64_t end, std::int64_t& wrapped) {
  auto largest = L::Splat(0.0);
  std::int64_t lanes = 0;
  if (wrapped != 0) {
    const std::int64_t j =
        SampleLoop<L, Counting::AsItGoes>(row, fetch, out, begin, end, largest, lanes);
    wrapped += lanes;
    return j;
  }
  const std::int64_t j =
      SampleLoop<L, Counting::ByLargest>(row, fetch, out, begin, end, largest, lanes);
  if (L::AllBelow(largest, sample_arithmetic::kWrapsFromAbove)) return j;
  if (L::AllBelow(largest, sample_arithmetic::kBeyondInt32)) {
    wrapped += WrappedSampled<L>(row, fetch, begin, j);
  } else {
    wrapped += Resampled<L>(row, fetch, out, begin, j);
  }
  return j;
}

}  // namespace row_loops

}  // namespace projconv
