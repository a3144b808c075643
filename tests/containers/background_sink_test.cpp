// Batches into a container written on a thread of its own whose image k
// fails: every end counts only the images stored and names the failed file,
// and each image is stored as it was made.

#include "containers/background_sink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "engine/projection_job.h"
#include "tests/support/raw_batch.h"
#include "tests/support/temp_folder.h"

namespace projconv {
namespace {

// Keeps the first sample of each image, slowly: the batch has long made the
// next image by then, unless it waits as it must. Image `failAt` fails.
struct SlowSink : ImageSink {
  SlowSink(std::vector<std::int16_t>& firsts, std::int64_t failAt)
      : firsts(firsts), failAt(failAt) {}
  bool Put(std::int64_t number, const std::string&, std::int32_t, std::int32_t,
           std::span<const std::int16_t> samples, SinkFailure& failure) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (number == failAt) failure = SinkFailure{"/stack.h5", 28, {}, number};
    if (number != failAt) firsts.push_back(samples[0]);
    return number != failAt;
  }
  std::vector<std::int16_t>& firsts;
  std::int64_t failAt;
};

// Asks for a stop once image `stopAfter` is told of, which is once it is
// stored: the batch has put the next image by then, and stores it too.
struct Reporter : BatchReporter {
  Reporter(std::int32_t stopAfter, StopFlag* stop) : stopAfter(stopAfter), stop(stop) {}
  void ShowMessage(const std::string& text, const std::string&) override { told.push_back(text); }
  void PostProgress(std::int32_t number) override {
    progressed.push_back(number);
    stop->store(number == stopAfter);
  }
  std::vector<std::string> told;
  std::vector<std::int32_t> progressed;
  std::int32_t stopAfter;
  StopFlag* stop;
};

TEST(BackgroundSinkTest, EveryEndCountsOnlyTheImagesStored) {
  const std::string noRoom =
      "File  /stack.h5   can not be wrote. Converting is finished\n"
      "No space left on device";
  struct Case {
    std::int64_t failAt;  // -1: none
    int emptyInput;       // ends the batch unread; 4, missing, is the normal end
    std::int32_t stopAfter;
    BatchEnd end;
    std::int64_t written;
  } const cases[] = {
      {-1, 4, -1, BatchEnd::InputMissing, 4},    {1, 4, -1, BatchEnd::OutputNotWritten, 1},
      {3, 4, -1, BatchEnd::OutputNotWritten, 3}, {-1, 2, -1, BatchEnd::InputNotRead, 2},
      {1, 2, -1, BatchEnd::OutputNotWritten, 1}, {-1, 4, 1, BatchEnd::Stopped, 3},
      {1, 4, 1, BatchEnd::OutputNotWritten, 1},
  };
  const std::int16_t made[] = {1, 2, 3, 4};  // the first sample of each image
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fails at " << c.failAt << ", ends at " << c.emptyInput
                                    << ", stops after " << c.stopAfter);
    test_support::TempFolder folder;
    for (int k = 0; k < c.emptyInput; ++k) {
      folder.WriteFile("raw." + std::to_string(k), {std::uint8_t(k + 1), 0, 7, 0, 7, 0, 7, 0});
    }
    if (c.emptyInput < 4) folder.WriteFile("raw." + std::to_string(c.emptyInput), {});
    ProjectionJob job;  // 2 x 2 signed 16-bit samples, copied as they are
    test_support::FillRawBatch(job, folder.path(), folder.path(), 2, 2);
    job.inFormat = "raw.%d";
    job.outFormat = "out.%d";
    Reporter reporter(c.stopAfter, &job.stopFlag());
    job.dialog = &reporter;
    std::vector<std::int16_t> firsts;
    BackgroundSink sink(std::make_unique<SlowSink>(firsts, c.failAt));
    job.batch.sink = &sink;

    const BatchResult result = job.RunBatchWithResult();
    EXPECT_EQ(result.end, c.end);
    EXPECT_EQ(result.filesWritten, c.written);
    EXPECT_EQ(firsts, std::vector<std::int16_t>(made, made + c.written));
    // Progress is told of the images stored, each once, and of no other.
    std::vector<std::int32_t> stored(std::size_t(c.written));
    std::iota(stored.begin(), stored.end(), 0);
    EXPECT_EQ(reporter.progressed, stored);
    if (c.end == BatchEnd::OutputNotWritten) {
      EXPECT_EQ(result.fileName, "/stack.h5");
      EXPECT_EQ(reporter.told, std::vector<std::string>{noRoom});
    }
  }
}

}  // namespace
}  // namespace projconv
