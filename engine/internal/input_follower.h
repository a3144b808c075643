#pragma once

// Waiting for the next projection of a scan that is still being written.
// A detector writes each file in pieces, so a file that exists may not be
// whole yet: the batch reads one only once it holds the header and every
// sample. The folder is watched with inotify where the file system offers
// it; a short poll of the file's size is kept in any case, because network
// file systems change files without telling the watcher.

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/projection_job.h"

namespace projconv {

class InputFollower {
 public:
  enum class Outcome {
    Whole,    // the file holds at least the bytes asked for
    Missing,  // nothing grew for the idle time, and the file is not there
    Short,    // nothing grew for the idle time, and the file is too short
    Stopped,  // the stop flag was set
  };

  // Watches `folder`; the scan counts as ended once nothing has grown for
  // `idleSeconds`.
  InputFollower(const std::string& folder, double idleSeconds);
  ~InputFollower();
  InputFollower(const InputFollower&) = delete;
  InputFollower& operator=(const InputFollower&) = delete;

  // Waits until `path` holds `bytes` bytes, the scan goes idle, or `stop`
  // is set. The idle time runs from the call, and starts again whenever the
  // file appears or grows.
  Outcome WaitFor(const std::string& path, std::uint64_t bytes, const StopFlag& stop);

 private:
  using Clock = std::chrono::steady_clock;
  // Sleeps until the folder changes or `most` has passed.
  void Pause(Clock::duration most);

  Clock::duration idle_;
  int watcher_ = -1;  // inotify descriptor, -1 when polling only
};

}  // namespace projconv
