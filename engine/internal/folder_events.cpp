#include "engine/internal/folder_events.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace projconv {

namespace {

constexpr std::uint32_t kChanges = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// Names of files a detector leaves beside the scan (temporary names renamed
// away are removed again by that event): past this many, what is known is
// dropped as if events were lost, rather than kept without bound.
constexpr std::size_t kMostNames = 1 << 16;

}  // namespace

FolderEvents::FolderEvents(const std::string& folder) {
  watcher_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watcher_ < 0) return;
  if (::inotify_add_watch(watcher_, folder.c_str(), kChanges | IN_CLOSE_WRITE | IN_ONLYDIR) < 0) {
    ::close(watcher_);
    watcher_ = -1;
  }
}

FolderEvents::~FolderEvents() {
  if (watcher_ >= 0) ::close(watcher_);
}

void FolderEvents::Wait(int milliseconds) {
  if (watcher_ < 0) {
    ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
    return;
  }
  pollfd ready{watcher_, POLLIN, 0};
  if (::poll(&ready, 1, milliseconds) > 0) Take();
}

void FolderEvents::Take() {
  alignas(inotify_event) char events[8192];
  for (;;) {
    if (watcher_ < 0) return;
    const ssize_t got = ::read(watcher_, events, sizeof events);
    if (got <= 0) return;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if ((event->mask & IN_Q_OVERFLOW) != 0) {
        Lose();
      } else if ((event->mask & IN_IGNORED) != 0) {
        // The folder is gone (or unmounted): nothing more will be told.
        Lose();
        ::close(watcher_);
        watcher_ = -1;
      } else if (event->len > 0) {
        Note(event->name, event->mask);
      }
    }
  }
}

void FolderEvents::Note(const char* name, std::uint32_t mask) {
  ++taken_;
  if (names_.size() >= kMostNames) Lose();
  NameState& state = names_[name];
  if ((mask & kChanges) != 0) {
    state.changed = taken_;
    state.closed = false;
  } else if ((mask & IN_CLOSE_WRITE) != 0) {
    state.closed = true;
  }
}

void FolderEvents::Lose() {
  names_.clear();
  lost_ = ++taken_;
}

bool FolderEvents::ChangedSince(const std::string& name, std::uint64_t mark) const {
  if (lost_ > mark) return true;
  const auto found = names_.find(name);
  return found != names_.end() && found->second.changed > mark;
}

bool FolderEvents::ClosedAfterWrite(const std::string& name) const {
  const auto found = names_.find(name);
  return found != names_.end() && found->second.closed;
}

}  // namespace projconv
