// The resampling path on worked examples: bilinear weights in 1/256, the
// smoothing passes and their zeroed edges, mirrored windows and rotation.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

using Image16 = std::vector<std::int16_t>;
using Output = std::vector<std::uint16_t>;

TEST_F(EngineTest, BilinearWeightsInSteps) {
  // Window (0, 0)-(1, 1) onto 2x4: x advances by 0.5 (fx 128), y by 0.25 (fy 64).
  Shape(2, 2, 2, 4);
  Crop(0, 0, 1, 1);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16{0, 100, 200, 300})),
            (Output{0, 50, 50, 100, 100, 150, 150, 200}));
}

TEST_F(EngineTest, WeightIsTruncatedBelow256AndValueTowardZero) {
  // x advances by 999/1000: output column 1 has an x fraction of 0.999.
  Shape(2, 2, 1000, 2);
  Crop(0, 0, 999, 2);
  const Output out = ConvertOne(LittleEndian16(Image16{0, 256, 0, 1}));
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_EQ(out[1], 255);       // fx = 255, never 256
  EXPECT_EQ(out[1000 + 1], 0);  // 255/256 truncated
}

TEST_F(EngineTest, NegativeFractionExtrapolates) {
  // A window running leftward by half a sample reaches xs = -0.5: x0 = 0,
  // fx = -128, so the value is P00 - 0.5 * (P10 - P00).
  Shape(2, 2, 2, 1);
  Crop(0, 0, -1, 1);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16{100, 40, 7, 9})), (Output{100, 130}));

  // The same upward: 100 - 0.5 * (7 - 100) = 146.5, truncated.
  Shape(2, 2, 1, 2);
  Crop(0, 0, 1, -1);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16{100, 40, 7, 9})), (Output{100, 146}));
}

// Output of a constant image reduced at angle 0: value everywhere except
// where a smoothing pass left its zero edge.
Output ConstantWithZeroEdges(int outX, int outY, bool zeroRow0, std::uint16_t value) {
  Output out(std::size_t(outX) * outY, value);
  for (int i = 0; i < outY; ++i)
    for (int j = 0; j < outX; ++j)
      if (j == 0 || (zeroRow0 && i == 0)) out[i * outX + j] = 0;
  return out;
}

TEST_F(EngineTest, HalvingBothWaysZeroesFirstRowAndColumn) {
  Shape(512, 512, 256, 256);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16(512 * 512, 300))),
            ConstantWithZeroEdges(256, 256, true, 300));
}

TEST_F(EngineTest, StepJustBelowTwoGetsNoPass) {
  // 511 rows onto 256 (sy = 1.99609375): only the horizontal pass runs, so
  // row 0 keeps its values.
  Shape(512, 511, 256, 256);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16(512 * 511, 300))),
            ConstantWithZeroEdges(256, 256, false, 300));
}

TEST_F(EngineTest, VerticalHalvingSamplesSmoothedRows) {
  Shape(512, 512, 512, 256);
  Image16 image(512 * 512);
  for (int r = 0; r < 512; ++r)
    for (int c = 0; c < 512; ++c)
      image[r * 512 + c] = std::int16_t((r * 37 + c * 11) % 2000 - 1000);

  const Output out = ConvertOne(LittleEndian16(image));
  ASSERT_EQ(out.size(), 512u * 256u);
  const double third = 0.3333333432674408;  // the float nearest 1/3
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 512; ++j) {
      const int r = 2 * i;
      std::uint16_t expected = 0;
      if (r >= 1) {
        const auto at = [&](int row) { return double(image[row * 512 + j]); };
        const float smoothed = float(((at(r) + at(r + 1)) + at(r - 1)) * third);
        expected = std::uint16_t(std::int16_t(smoothed));  // |smoothed| < 32768: trunc is exact
      }
      ASSERT_EQ(out[i * 512 + j], expected) << "row " << i << " column " << j;
    }
  }
}

struct ThinCase {
  const char* name;
  std::int32_t inX, inY, right, bottom, outX, outY;
};

class ThinImageTest : public EngineTest, public ::testing::WithParamInterface<ThinCase> {};

// A pass over an image two samples thin or less leaves nothing but its zero edges.
TEST_P(ThinImageTest, ReducedThinImageIsZero) {
  const ThinCase& c = GetParam();
  Shape(c.inX, c.inY, c.outX, c.outY);
  Crop(0, 0, c.right, c.bottom);
  EXPECT_EQ(ConvertOne(LittleEndian16(Image16(std::size_t(c.inX) * c.inY, 500))),
            Output(std::size_t(c.outX) * c.outY, 0));
}

INSTANTIATE_TEST_SUITE_P(Shapes, ThinImageTest,
                         ::testing::Values(ThinCase{"TwoRows", 8, 2, 8, 2, 8, 1},
                                           ThinCase{"OneRow", 8, 1, 8, 2, 8, 1},
                                           ThinCase{"TwoColumns", 2, 8, 2, 8, 1, 8},
                                           ThinCase{"OneColumn", 1, 8, 2, 8, 1, 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, ReversedWindowMirrorsRowsExactly) {
  Shape(512, 512, 512, 512);
  Crop(511, 0, -1, 512);
  const Image16 image = ScrambledImage(512 * 512, 3);
  const Output out = ConvertOne(LittleEndian16(image));
  ASSERT_EQ(out.size(), 512u * 512u);
  for (int i = 0; i < 512; ++i)
    for (int j = 0; j < 512; ++j)
      ASSERT_EQ(out[i * 512 + j], std::uint16_t(image[i * 512 + 511 - j])) << i << "," << j;
}

TEST_F(EngineTest, ReversedWindowOfStepMinusTwoIsNotSmoothed) {
  Shape(512, 512, 256, 512);
  Crop(511, 0, -1, 512);
  const Image16 image = ScrambledImage(512 * 512, 4);
  const Output out = ConvertOne(LittleEndian16(image));
  ASSERT_EQ(out.size(), 256u * 512u);
  for (int i = 0; i < 512; ++i)
    for (int j = 0; j < 256; ++j)
      ASSERT_EQ(out[i * 256 + j], std::uint16_t(image[i * 512 + 511 - 2 * j])) << i << "," << j;
}

TEST_F(EngineTest, QuarterTurnAboutCentre) {
  Shape(8, 8, 8, 8);
  job.angle = 90.0f;
  job.rotCentreX = 4;
  job.rotCentreY = 4;
  const Image16 image = ScrambledImage(64, 9);
  const Output out = ConvertOne(LittleEndian16(image));
  ASSERT_EQ(out.size(), 64u);
  EXPECT_EQ(out[4 * 8 + 5], std::uint16_t(image[5 * 8 + 4]));
  // Away from row 0 and column 0, where cos 90 degrees is not quite 0, every
  // source position is exact: output (i, j) is input row j, column 8 - i.
  for (int i = 1; i < 8; ++i)
    for (int j = 1; j < 8; ++j)
      EXPECT_EQ(out[i * 8 + j], std::uint16_t(image[j * 8 + 8 - i])) << i << "," << j;
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
