#pragma once

// The column loops of the row kernels, written once over a lane type L (see
// sample_arithmetic.h) that also supplies loads and stores:
//   L::kWidth                      lanes per step
//   L::Load(FloatSamples, j)       samples j .. j + kWidth - 1 as doubles
//   L::Load(Int16Samples, j)       the same from 16-bit samples
//   L::SumOfInt16s(a, b, c, j)     (a + b) + c of three such loads
//   L::StoreFloats(to, D)          rounded to float
//   L::StoreSample16(to, D)        low 16 bits of trunc, exact for any value
//   L::LoadDoubles(from)           kWidth doubles
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

template <class L>
std::int64_t ScaledSamples16(unsigned char* to, const unsigned char* from, double scale,
                             std::int64_t count) {
  std::int64_t j = 0;
  for (; j + L::kWidth <= count; j += L::kWidth)
    L::StoreSample16(to + 2 * j, L::Load(FloatSamples{from}, j) * L::Splat(scale));
  return j;
}

template <class L, class Fetch>
std::int64_t SampleRow(const SamplingRow& row, const Fetch& fetch, unsigned char* out,
                       std::int64_t begin, std::int64_t end) {
  std::int64_t j = begin;
  for (; j + L::kWidth <= end; j += L::kWidth) {
    const auto at = sample_arithmetic::SourcePosition<L>(
        row.geometry, L::LoadDoubles(row.cosDx + j), L::LoadDoubles(row.sinDx + j));
    L::StoreSample16(out + 2 * j, sample_arithmetic::Bilinear<L>(at, fetch));
  }
  return j;
}

}  // namespace row_loops

}  // namespace projconv
