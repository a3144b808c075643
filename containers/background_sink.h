#pragma once

// A sink that stores each image on a thread of its own while the batch reads
// the next input, the way raw output is written while the image is still
// being made. Put hands the image to the thread and returns; the thread
// stores it straight from the batch's memory, which the batch leaves alone
// until ReleaseSamples, so nothing is copied. One image at most is in hand:
// a failure comes to light at most one image late, and after a failure no
// image is taken, so the container ends with the last image stored whole.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/image_sink.h"

namespace projconv {

class BackgroundSink : public ImageSink {
 public:
  explicit BackgroundSink(std::unique_ptr<ImageSink> sink);
  // Stores the image in hand, if any, then lets the sink close its file.
  ~BackgroundSink() override;
  BackgroundSink(const BackgroundSink&) = delete;
  BackgroundSink& operator=(const BackgroundSink&) = delete;

  bool Begin(SinkFailure& failure) override { return sink_->Begin(failure); }
  bool Put(std::int64_t number, const std::string& rawName, std::int32_t width, std::int32_t height,
           std::span<const std::int16_t> samples, SinkFailure& failure) override;
  bool ReleaseSamples(SinkFailure& failure) override { return Settle(failure); }
  bool Finish(SinkFailure& failure) override;
  bool WritesRawNames() const override { return sink_->WritesRawNames(); }
  std::string OneFile() const override { return sink_->OneFile(); }

 private:
  // Waits until no image is in hand; false, with `failure`, once one failed.
  bool Settle(SinkFailure& failure);
  void Store();  // the thread: stores each image handed to it
  bool StoreNow(std::int64_t number, const std::string& rawName, std::int32_t width,
                std::int32_t height, std::span<const std::int16_t> samples, SinkFailure& failure);

  std::unique_ptr<ImageSink> sink_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool inHand_ = false;  // an image waits for the thread or is being stored
  bool quit_ = false;
  std::optional<SinkFailure> failed_;  // the first failure; nothing is stored after it

  // The image in hand; only the thread touches these while inHand_ is set.
  std::int64_t number_ = 0;
  std::string rawName_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::span<const std::int16_t> samples_;

  std::thread thread_;  // started at the first image
};

}  // namespace projconv
