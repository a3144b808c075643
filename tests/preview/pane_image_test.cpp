// Pictures for the panes: the window adapts to the image, large images are
// reduced by whole steps, and raw bytes decode as the transform decodes them.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "preview/pane_image.h"
#include "preview/raw_samples.h"

namespace projconv {

namespace {

TEST(PaneImage, WindowSpansTheMiddle99PercentOfFiniteValues) {
  std::vector<double> values;
  for (int k = 0; k <= 1000; ++k) values.push_back(k);
  values.push_back(std::nan(""));
  values.push_back(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(PercentileWindow(values), (DisplayWindow{5, 995}));
  EXPECT_EQ(PercentileWindow({7, 7, 7}), (DisplayWindow{6.5, 7.5}));
  EXPECT_EQ(PercentileWindow({std::nan("")}), (DisplayWindow{0, 1}));
}

TEST(PaneImage, GreyLevelsRoundAndSaturate) {
  const DisplayWindow window{100, 355};
  EXPECT_EQ(GrayLevel(100, window), 0);
  EXPECT_EQ(GrayLevel(227.4, window), 127);
  EXPECT_EQ(GrayLevel(227.5, window), 128);
  EXPECT_EQ(GrayLevel(-1e30, window), 0);
  EXPECT_EQ(GrayLevel(1e30, window), 255);
  EXPECT_EQ(GrayLevel(std::nan(""), window), 0);
}

TEST(PaneImage, LargeImagesAreReducedByWholeSteps) {
  // 1000 x 300 into at most 256 pixels a side: every 4th sample.
  const auto value = [](std::uint64_t k) { return double(k % 1000) + double(k / 1000); };
  const PaneImage pane = MakePaneImage(1000, 300, value, 256);
  EXPECT_EQ(pane.step, 4);
  EXPECT_EQ(pane.gray.width, 250);
  EXPECT_EQ(pane.gray.height, 75);
  EXPECT_EQ(pane.sampleWidth, 1000);
  // The read-out still covers every sample, also those not shown.
  EXPECT_EQ(pane.min, 0);
  EXPECT_EQ(pane.max, 999 + 299);
  EXPECT_EQ(MakePaneImage(1000, 300, value, 0).step, 1);
  EXPECT_EQ(MakePaneImage(1000, 300, value, 1000).step, 1);
  EXPECT_EQ(MakePaneImage(1001, 300, value, 1000).step, 2);
}

TEST(PaneImage, AnImageWithNoFiniteSampleSaysSo) {
  const PaneImage pane = MakePaneImage(
      3, 2, [](std::uint64_t) { return std::nan(""); }, 0);
  EXPECT_FALSE(pane.anyFinite);
  EXPECT_EQ(pane.gray.pixels, std::vector<std::uint8_t>(6, 0));
}

TEST(RawSamples, DecodeAsTheTransformDoes) {
  const std::vector<unsigned char> bytes = {0xAA, 0x12, 0x34, 0xFF, 0xFF};
  struct {
    ByteOrder order;
    Signedness sign;
    double first, second;
  } cases[] = {
      {ByteOrder::LittleEndian, Signedness::Signed, 0x3412, -1},
      {ByteOrder::BigEndian, Signedness::Signed, 0x1234, -1},
      // Unsigned samples are halved, rounding down.
      {ByteOrder::LittleEndian, Signedness::Unsigned, 0x1A09, 32767},
      {ByteOrder::BigEndian, Signedness::Unsigned, 0x091A, 32767},
  };
  for (const auto& c : cases) {
    const RawSamples samples(bytes, 1, SampleType::Integer16, c.order, c.sign);
    EXPECT_EQ(samples(0), c.first);
    EXPECT_EQ(samples(1), c.second);
    EXPECT_EQ(samples(2), 0);  // beyond the bytes of a short file
  }
  const unsigned char one[] = {0, 0, 0x80, 0x3F, 0, 0, 0xC0};  // 1.0f, then 3 bytes
  // Float samples ignore the byte order and signedness.
  const RawSamples floats(one, 0, SampleType::Float32, ByteOrder::BigEndian, Signedness::Unsigned);
  EXPECT_EQ(floats(0), 1.0);
  EXPECT_EQ(floats(1), 0.0);
}

}  // namespace

}  // namespace projconv
