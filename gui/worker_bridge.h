#pragma once

// The dialog as a running batch sees it. Everything the worker hands over is
// posted to the dialog's thread; the one thing it waits for is a message box,
// and that wait ends when the user dismisses the box or when the dialog lets
// the worker go because it is closing.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/batch_reporter.h"

class QEvent;
class QObject;

namespace projconv {

class WorkerBridge : public BatchReporter {
 public:
  // Events go to `receiver`, which lives on the dialog's thread.
  explicit WorkerBridge(QObject& receiver) : receiver_(&receiver) {}

  // --- Worker thread ---

  // Asks the dialog's thread for a box (WorkerMessageEvent) and waits until it
  // is answered. Once the dialog has let its worker go, returns at once and
  // writes the message to the standard error stream, so it is not lost.
  void ShowMessage(const std::string& text, const std::string& caption) override;
  // Posts a ConvertProgressEvent.
  void PostProgress(std::int32_t fileNumber) override;
  // Posts the WorkerFinishedEvent: the last thing a worker does.
  void PostFinished();

  // --- Dialog's thread ---

  // A batch is about to start: its messages are shown again.
  void Open();
  // Whether `request` still waits for its box; marks it as shown when it does.
  // False for a request the dialog has already let go.
  bool BeginShowing(std::uint64_t request);
  // The user dismissed the box of `request`: its worker goes on.
  void Answer(std::uint64_t request);
  // Lets the worker go without a box, now and until the next Open.
  void Release();
  // Releases, and posts nothing more: the receiver is about to be destroyed.
  void Detach();

 private:
  void Post(QEvent* event);  // with mutex_ held
  void ReleaseLocked();

  std::mutex mutex_;
  std::condition_variable answered_;
  QObject* receiver_;
  bool released_ = false;
  std::uint64_t lastRequest_ = 0;
  std::uint64_t waitingRequest_ = 0;  // 0 when no worker waits
  std::uint64_t shownRequest_ = 0;
};

}  // namespace projconv
