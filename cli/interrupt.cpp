#include "cli/interrupt.h"

#include <csignal>

#include "engine/projection_job.h"

namespace projconv {

// A store to a lock-free atomic is all a signal handler may safely do here.
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

namespace {

// Set before the handlers are installed, and never changed while they are.
StopFlag* stopTarget = nullptr;

void RequestStop(int) {
  if (stopTarget != nullptr) stopTarget->store(1);
}

void StopOn(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND restores the default action before the handler runs, so the
  // second Ctrl+C kills; SA_RESTART keeps file operations from failing with EINTR.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(signalNumber, &action, nullptr);
}

}  // namespace

void IgnoreSignalsOfFailedWrites() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

void InstallStopOnSignal(StopFlag& flag) {
  stopTarget = &flag;
  StopOn(SIGINT);
  StopOn(SIGTERM);
}

}  // namespace projconv
