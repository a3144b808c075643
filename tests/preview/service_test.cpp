// Pictures made on the service's thread: the latest request is always
// answered, one overtaken before it starts is not, and each answer belongs to
// the request it names.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "preview/preview_service.h"
#include "tests/preview/preview_test_support.h"

namespace projconv {

namespace preview_test {
namespace {

TEST(PreviewService, AnswersTheLatestRequestWithItsOwnPicture) {
  TempFolder folder;
  ConverterValues values = PlainValues(folder, 64, 48);
  folder.WriteFile("in/raw.0000", ScrambledBytes(2 * 64 * 48, 21));
  values.outSizeX = 30;
  values.outSizeY = 20;

  std::mutex mutex;
  std::condition_variable delivered;
  std::map<std::uint64_t, std::vector<std::int16_t>> answers;
  std::uint64_t lastAnswer = 0;
  {
    PreviewService service(
        [&](std::uint64_t serial, PreviewPicture picture) {
          const std::lock_guard lock(mutex);
          EXPECT_GT(serial, lastAnswer);  // never an older one after a newer
          lastAnswer = serial;
          answers[serial] = std::move(picture.outputSamples);
          delivered.notify_all();
        },
        0);
    std::map<std::uint64_t, ConverterValues> asked;
    for (std::uint64_t serial = 1; serial <= 12; ++serial) {
      values.angle = float(serial) * 7.0f;
      asked[serial] = values;
      service.Submit(serial, {values, true, 1});
    }
    std::unique_lock lock(mutex);
    ASSERT_TRUE(
        delivered.wait_for(lock, std::chrono::seconds(30), [&] { return answers.count(12) == 1; }));
    for (const auto& [serial, samples] : answers) {
      SCOPED_TRACE(serial);
      EXPECT_EQ(LittleEndian(samples), RunBatchOn(asked[serial]).firstOutput);
    }
  }
  // Gone with the service: nothing more arrives.
  const std::lock_guard lock(mutex);
  EXPECT_EQ(lastAnswer, 12u);
}

TEST(PreviewService, StopsWithoutAnsweringWhatIsStillWaiting) {
  TempFolder folder;
  const ConverterValues values = PlainValues(folder, 8, 8);
  std::mutex mutex;
  std::condition_variable changed;
  bool answering = false, released = false;
  std::vector<std::uint64_t> answered;
  std::thread release;
  {
    PreviewService service(
        [&](std::uint64_t serial, PreviewPicture) {
          std::unique_lock lock(mutex);
          answered.push_back(serial);
          answering = true;
          changed.notify_all();
          changed.wait(lock, [&] { return released; });
        },
        0);
    service.Submit(1, {values});
    {
      std::unique_lock lock(mutex);
      if (!changed.wait_for(lock, std::chrono::seconds(30), [&] { return answering; })) {
        released = true;  // lets the service go
        ADD_FAILURE() << "no answer";
      }
    }
    for (std::uint64_t serial = 2; serial <= 5; ++serial) service.Submit(serial, {values});
    // The first answer is let go only once the service is being taken down.
    release = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      const std::lock_guard lock(mutex);
      released = true;
      changed.notify_all();
    });
  }
  release.join();
  const std::lock_guard lock(mutex);
  EXPECT_EQ(answered, std::vector<std::uint64_t>{1});
}

}  // namespace
}  // namespace preview_test

}  // namespace projconv
