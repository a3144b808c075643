// The sequence forecast: how many inputs follow one another from the first
// number, found by looking the names up, and the progress line built on it.

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "engine/forecast_text.h"
#include "engine/sequence_count.h"
#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

class Forecast : public testing::Test {
 protected:
  Forecast() {
    // raw.0003 .. raw.0007, a gap, then raw.0009
    for (const char* name :
         {"raw.0003", "raw.0004", "raw.0005", "raw.0006", "raw.0007", "raw.0009"}) {
      folder.WriteFile(name, {1, 2});
    }
  }
  TempFolder folder;
};

TEST_F(Forecast, CountsConsecutiveFilesUpToTheFirstGap) {
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%04i", 3), (SequenceCount{5, false}));
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%04i", 6), (SequenceCount{2, false}));
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%04i", 8), (SequenceCount{0, false}));
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%04i", 9), (SequenceCount{1, false}));
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%04i", 3, 4), (SequenceCount{4, true}));
  EXPECT_EQ(CountConsecutiveInputs(folder.path(), "raw.%s", 3), (SequenceCount{0, false}));
  EXPECT_EQ(CountConsecutiveInputs(folder.PathOf("nowhere"), "raw.%04i", 3),
            (SequenceCount{0, false}));
}

TEST_F(Forecast, CountsOnAThreadOfItsOwn) {
  SequenceCounter counter;
  std::promise<SequenceCount> reported;
  counter.Start(folder.path(), "raw.%04i", 4,
                [&reported](SequenceCount count) { reported.set_value(count); });
  auto future = reported.get_future();
  ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(future.get(), (SequenceCount{4, false}));
  EXPECT_EQ(counter.Result(), (SequenceCount{4, false}));

  counter.Start(folder.path(), "raw.%04i", 9);  // a new count replaces the old
  for (int wait = 0; wait < 1000 && !counter.Result(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(counter.Result(), (SequenceCount{1, false}));
}

TEST(ForecastText, SaysHowFarHowFastAndHowLong) {
  EXPECT_EQ(ForecastText(12, SequenceCount{36, false}, 2.0), "12 of 36, 6.0 images/s, 0:04 left");
  EXPECT_EQ(ForecastText(0, SequenceCount{36, false}, 0.0), "0 of 36, 0.0 images/s");
  EXPECT_EQ(ForecastText(12, std::nullopt, 2.0), "12 written, 6.0 images/s");
  EXPECT_EQ(ForecastText(40, SequenceCount{36, false}, 4.0),
            "40 written, forecast 36, 10.0 images/s");
  EXPECT_EQ(ForecastText(10, SequenceCount{100000, true}, 1.0),
            "10 of 100000+, 10.0 images/s, at least 2:46:39 left");
}

TEST(ForecastText, DurationsRoundUpToWholeSeconds) {
  EXPECT_EQ(DurationText(0), "0:00");
  EXPECT_EQ(DurationText(4.01), "0:05");
  EXPECT_EQ(DurationText(754), "12:34");
  EXPECT_EQ(DurationText(3723), "1:02:03");
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
