#include "form/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace projconv {

namespace {

using FloatLimits = std::numeric_limits<float>;

TEST(NumberText, ReadsWholeNumbers) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      {"0", 0},
      {"  42  ", 42},
      {"\t-7", -7},
      {"+15", 15},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"1e3", std::nullopt},
      {"1.0", std::nullopt},
      {"0x10", std::nullopt},
      {"12abc", std::nullopt},
      {"1 2", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {"++1", std::nullopt},
      {"- 1", std::nullopt},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(TextToInt(text), expected) << '"' << text << '"';
}

TEST(NumberText, ReadsFloats) {
  const std::pair<const char*, std::optional<float>> cases[] = {
      {"1.5", 1.5f},
      {" -0.25 ", -0.25f},
      {"+2", 2.0f},
      {".5", 0.5f},
      {"5.", 5.0f},
      {"1e3", 1000.0f},
      {"1E+30", 1e30f},
      {"-2.5e-3", -2.5e-3f},
      {"3.4028235e38", FloatLimits::max()},
      {"1e-45", FloatLimits::denorm_min()},
      {"1e39", std::nullopt},   // overflows the float range
      {"1e-50", std::nullopt},  // underflows to zero
      {"inf", std::nullopt},
      {"-INF", std::nullopt},
      {"infinity", std::nullopt},
      {"nan", std::nullopt},
      {"0x1p3", std::nullopt},
      {"1,5", std::nullopt},
      {"1e", std::nullopt},
      {".", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"+-1", std::nullopt},
      {"1.5.2", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(TextToFloat(text), expected) << '"' << text << '"';
  }
}

TEST(NumberText, WritesShortestForms) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(FloatToText(1.0f), "1");
  EXPECT_EQ(FloatToText(0.1f), "0.1");
  EXPECT_EQ(FloatToText(-12.5f), "-12.5");
  EXPECT_EQ(FloatToText(1e30f), "1e+30");
  EXPECT_EQ(FloatToText(-0.0f), "-0");
}

// Every finite float comes back bit for bit from its text.
TEST(NumberText, FloatsRoundTripBitExactly) {
  std::mt19937 random(20240607);
  std::vector<float> values = {0.0f,
                               -0.0f,
                               FloatLimits::denorm_min(),
                               -FloatLimits::denorm_min(),
                               std::nextafter(FloatLimits::min(), 0.0f),  // largest subnormal
                               FloatLimits::min(),
                               FloatLimits::max(),
                               FloatLimits::lowest(),
                               FloatLimits::epsilon()};
  for (int i = 0; i < 300000; ++i)
    values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
  int checked = 0;
  for (const float value : values) {
    if (!std::isfinite(value)) continue;
    const std::optional<float> back = TextToFloat(FloatToText(value));
    ASSERT_TRUE(back) << FloatToText(value);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(*back), std::bit_cast<std::uint32_t>(value))
        << FloatToText(value);
    ++checked;
  }
  EXPECT_GT(checked, 290000);
}

TEST(NumberText, IntegersRoundTrip) {
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) {
    const auto value = static_cast<std::int32_t>(random());
    ASSERT_EQ(TextToInt(IntToText(value)), value);
  }
}

}  // namespace

}  // namespace projconv
