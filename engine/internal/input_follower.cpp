#include "engine/internal/input_follower.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace projconv {

namespace {

// How often the size is looked at even without a word from inotify, and how
// late a stop request may be noticed.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

// The size of `path`; -1 when it does not exist (or is not a regular file,
// which a scan never writes).
std::int64_t SizeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

}  // namespace

InputFollower::InputFollower(const std::string& folder, double idleSeconds)
    : idle_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(std::max(idleSeconds, 0.0)))) {
  watcher_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watcher_ < 0) return;
  const std::string watched = folder.empty() ? "." : folder;
  if (::inotify_add_watch(watcher_, watched.c_str(),
                          IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    ::close(watcher_);
    watcher_ = -1;
  }
}

InputFollower::~InputFollower() {
  if (watcher_ >= 0) ::close(watcher_);
}

InputFollower::Outcome InputFollower::WaitFor(const std::string& path, std::uint64_t bytes,
                                              const StopFlag& stop) {
  Clock::time_point grew = Clock::now();
  std::int64_t seen = SizeOf(path);
  for (;;) {
    if (seen >= 0 && std::uint64_t(seen) >= bytes) return Outcome::Whole;
    if (stop.load() != 0) return Outcome::Stopped;
    const Clock::time_point now = Clock::now();
    if (now - grew >= idle_) return seen < 0 ? Outcome::Missing : Outcome::Short;
    Pause(std::min<Clock::duration>(kPollInterval, idle_ - (now - grew)));
    const std::int64_t size = SizeOf(path);
    if (size != seen) grew = Clock::now();
    seen = size;
  }
}

void InputFollower::Pause(Clock::duration most) {
  const int milliseconds = static_cast<int>(
      std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(most).count()));
  if (watcher_ < 0) {
    ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
    return;
  }
  pollfd ready{watcher_, POLLIN, 0};
  if (::poll(&ready, 1, milliseconds) > 0) {
    // Only that something changed matters; the events themselves are dropped.
    alignas(inotify_event) char events[4096];
    while (::read(watcher_, events, sizeof events) > 0) {
    }
  }
}

}  // namespace projconv
