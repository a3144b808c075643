// The direct path: a crop window of the output's size at no rotation is copied
// sample for sample, float samples scaled and wrapped to 16 bits.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

TEST_F(EngineTest, DirectPathCopiesCropWindowBitForBit) {
  Shape(6, 5, 4, 2);
  Crop(1, 2, 5, 4);
  job.scale = 3.0f;  // applies to float input only
  const std::vector<std::int16_t> image = ScrambledImage(30, 11);

  const std::vector<std::uint16_t> out = ConvertOne(LittleEndian16(image));
  std::vector<std::uint16_t> expected;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 4; ++j) expected.push_back(std::uint16_t(image[(2 + i) * 6 + 1 + j]));
  EXPECT_EQ(out, expected);
}

// A window reaching past the image reads the buffer as laid out: columns run on
// into the neighbouring row, the row above ends in the header's bytes, and
// everything else around the image is zero.
struct OutsideWindow {
  const char* name;
  std::int32_t left, top, right, bottom;
};

class DirectWindowTest : public EngineTest, public ::testing::WithParamInterface<OutsideWindow> {};

TEST_P(DirectWindowTest, ReadsAroundTheImageAsLaidOut) {
  const OutsideWindow& w = GetParam();
  const int x = 4, y = 3;
  Shape(x, y, w.right - w.left, w.bottom - w.top);
  Crop(w.left, w.top, w.right, w.bottom);
  job.headerLen = 2;
  const std::vector<std::int16_t> image = ScrambledImage(x * y, 5);

  const std::vector<std::uint16_t> out = ConvertOne(Concat({0xEF, 0xBE}, LittleEndian16(image)));
  std::vector<std::uint16_t> expected;
  for (int i = 0; i < job.outSizeY; ++i) {
    for (int j = 0; j < job.outSizeX; ++j) {
      const int k = (w.top + i) * x + w.left + j;
      expected.push_back(k >= 0 && k < x * y ? std::uint16_t(image[k]) : k == -1 ? 0xBEEF : 0);
    }
  }
  EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Windows, DirectWindowTest,
                         ::testing::Values(OutsideWindow{"OneColumnLeft", -1, 0, 3, 3},
                                           OutsideWindow{"OneRowAbove", 1, -1, 5, 2},
                                           OutsideWindow{"OneRowBelow", 0, 1, 4, 4},
                                           OutsideWindow{"WhollyAboveLeft", -4, -3, 0, 0},
                                           OutsideWindow{"WhollyBelowRight", 4, 3, 8, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FloatCase {
  const char* name;
  float value;
  float scale;
  std::uint16_t expected;
};

const float kInf = std::numeric_limits<float>::infinity();
const float kTwoTo63 = 9223372036854775808.0f;

const FloatCase kFloatCases[] = {
    {"TruncatesPositive", 1.9f, 1.0f, 1},
    {"TruncatesNegativeTowardZero", -1.9f, 1.0f, 0xFFFF},
    {"SmallNegativeIsZero", -0.7f, 1.0f, 0},
    {"WrapsAbove16Bits", 70000.0f, 1.0f, 4464},
    {"KeepsPatternAboveSignedRange", 40000.0f, 1.0f, 0x9C40},
    {"JustBelow65536", 65535.99f, 1.0f, 0xFFFF},
    {"Exactly65536", 65536.0f, 1.0f, 0},
    {"MostNegativeSample", -32768.5f, 1.0f, 0x8000},
    {"WrapsBeyond32Bits", 3.0e9f, 1.0f, 0x5E00},
    {"WrapsBeyond32BitsNegative", -3.0e9f, 1.0f, 0xA200},
    {"LargeValueKeepsLowBits", 123456789.0f, 1.0f, 0xCD18},
    {"LargeNegativeKeepsLowBits", -123456789.0f, 1.0f, 0x32E8},
    {"NaN", std::numeric_limits<float>::quiet_NaN(), 1.0f, 0},
    {"PlusInfinity", kInf, 1.0f, 0},
    {"MinusInfinity", -kInf, 1.0f, 0},
    {"Huge", 1e30f, 1.0f, 0},
    {"HugeNegative", -1e30f, 1.0f, 0},
    {"TwoTo63", kTwoTo63, 1.0f, 0},
    {"MinusTwoTo63", -kTwoTo63, 1.0f, 0},
    {"Scaled", 2.5f, 2.0f, 5},
    {"ScaledDown", 1000.0f, 0.5f, 500},
    {"NegativeScale", 3.0f, -1.0f, 0xFFFD},
    // 100 * 0.01f is 0.99999997... in double; rounded to float it would be 1.
    {"ProductTakenInDouble", 100.0f, 0.01f, 0},
    {"ProductBeyond64Bits", 3e38f, 10.0f, 0},
};

class DirectFloatTest : public EngineTest, public ::testing::WithParamInterface<FloatCase> {};

TEST_P(DirectFloatTest, ScalesTruncatesAndWraps) {
  const FloatCase& c = GetParam();
  Shape(2, 2, 2, 2);
  job.sampleType = SampleType::Float32;
  job.scale = c.scale;
  const std::vector<std::uint16_t> out = ConvertOne(FloatBytes({c.value, 0.0f, 0.0f, c.value}));
  EXPECT_EQ(out, (std::vector<std::uint16_t>{c.expected, 0, 0, c.expected}));
}

INSTANTIATE_TEST_SUITE_P(Values, DirectFloatTest, ::testing::ValuesIn(kFloatCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The resampling path stores the scaled value as a float before truncating, so
// the same sample can give 1 there and 0 on the direct path.
TEST_F(EngineTest, ResamplingRoundsScaledSampleToFloatFirst) {
  Shape(2, 2, 4, 4);  // whole image to twice the size: output (0, 0) is input (0, 0)
  job.sampleType = SampleType::Float32;
  job.scale = 0.01f;
  const std::vector<std::uint16_t> out = ConvertOne(FloatBytes({100.0f, 0.0f, 0.0f, 0.0f}));
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(out[0], 1);
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
