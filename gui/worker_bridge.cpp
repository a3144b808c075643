#include "gui/worker_bridge.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>

#include "gui/worker_events.h"

namespace projconv {

namespace {

void WriteToStandardError(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "projconv: %s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace

void WorkerBridge::Post(QEvent* event) {
  if (receiver_ == nullptr) {
    delete event;
    return;
  }
  QCoreApplication::postEvent(receiver_, event);
}

void WorkerBridge::ShowMessage(const std::string& text, const std::string& caption) {
  std::unique_lock lock(mutex_);
  if (released_) {
    lock.unlock();
    WriteToStandardError(text, caption);
    return;
  }
  const std::uint64_t request = ++lastRequest_;
  waitingRequest_ = request;
  Post(new WorkerMessageEvent(request, QString::fromStdString(text),
                              QString::fromStdString(caption)));
  answered_.wait(lock, [&] { return waitingRequest_ != request; });
  // Let go before its box came up: the user never saw it.
  const bool unseen = shownRequest_ != request;
  lock.unlock();
  if (unseen) WriteToStandardError(text, caption);
}

void WorkerBridge::PostProgress(std::int32_t fileNumber) {
  const std::lock_guard lock(mutex_);
  Post(new ConvertProgressEvent(fileNumber));
}

void WorkerBridge::PostFinished() {
  const std::lock_guard lock(mutex_);
  Post(new WorkerFinishedEvent);
}

void WorkerBridge::Open() {
  const std::lock_guard lock(mutex_);
  if (receiver_ != nullptr) released_ = false;
}

bool WorkerBridge::BeginShowing(std::uint64_t request) {
  const std::lock_guard lock(mutex_);
  if (waitingRequest_ != request) return false;
  shownRequest_ = request;
  return true;
}

void WorkerBridge::Answer(std::uint64_t request) {
  const std::lock_guard lock(mutex_);
  if (waitingRequest_ != request) return;
  waitingRequest_ = 0;
  answered_.notify_all();
}

void WorkerBridge::ReleaseLocked() {
  released_ = true;
  waitingRequest_ = 0;
  answered_.notify_all();
}

void WorkerBridge::Release() {
  const std::lock_guard lock(mutex_);
  ReleaseLocked();
}

void WorkerBridge::Detach() {
  const std::lock_guard lock(mutex_);
  ReleaseLocked();
  receiver_ = nullptr;
}

}  // namespace projconv
