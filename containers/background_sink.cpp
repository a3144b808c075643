#include "containers/background_sink.h"

#include <system_error>

namespace projconv {

BackgroundSink::BackgroundSink(std::unique_ptr<ImageSink> sink) : sink_(std::move(sink)) {}

BackgroundSink::~BackgroundSink() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !inHand_; });
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool BackgroundSink::Settle(SinkFailure& failure) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !inHand_; });
  if (!failed_) return true;
  failure = *failed_;
  return false;
}

bool BackgroundSink::StoreNow(std::int64_t number, const std::string& rawName, std::int32_t width,
                              std::int32_t height, std::span<const std::int16_t> samples,
                              SinkFailure& failure) {
  failure.image = number;
  if (sink_->Put(number, rawName, width, height, samples, failure)) return true;
  failure.image = number;  // the sink stores what it is given at once: it was this image
  const std::lock_guard lock(mutex_);
  failed_ = failure;
  return false;
}

bool BackgroundSink::Put(std::int64_t number, const std::string& rawName, std::int32_t width,
                         std::int32_t height, std::span<const std::int16_t> samples,
                         SinkFailure& failure) {
  if (!Settle(failure)) return false;
  // The thread is idle from here until inHand_ is set again.
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Store(); });
    } catch (const std::system_error&) {
      return StoreNow(number, rawName, width, height, samples, failure);  // stored here, then
    }
  }
  number_ = number;
  rawName_ = rawName;
  width_ = width;
  height_ = height;
  samples_ = samples;
  {
    const std::lock_guard lock(mutex_);
    inHand_ = true;
  }
  changed_.notify_all();
  return true;
}

bool BackgroundSink::Finish(SinkFailure& failure) {
  // The sink finishes after a failure too: its container then ends with
  // the images stored and stands in its place.
  const bool stored = Settle(failure);
  SinkFailure finishing = failure;
  const bool finished = sink_->Finish(finishing);
  if (stored && !finished) failure = finishing;
  return stored && finished;
}

void BackgroundSink::Store() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return inHand_ || quit_; });
    if (!inHand_) return;
    lock.unlock();
    SinkFailure failure;
    StoreNow(number_, rawName_, width_, height_, samples_, failure);
    lock.lock();
    inHand_ = false;
    changed_.notify_all();
  }
}

}  // namespace projconv
