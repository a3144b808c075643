#include "engine/internal/input_follower.h"

#include <algorithm>

#include "engine/posix_file.h"

namespace projconv {

namespace {

using Clock = std::chrono::steady_clock;

// How often the file is looked at even without a word from inotify, and how
// late a stop request may be noticed.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

// Anything but a positive number of seconds is none; a year bounds the rest,
// which the clock could not count in nanoseconds much further.
Clock::duration Seconds(double seconds) {
  const double bounded = seconds > 0 ? std::min(seconds, 366 * 86400.0) : 0.0;
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounded));
}

int Milliseconds(Clock::duration time) {
  return static_cast<int>(
      std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(time).count()));
}

}  // namespace

InputFollower::InputFollower(const std::string& folder, double idleSeconds, double settleSeconds)
    : folder_(folder + "/"),
      idle_(Seconds(idleSeconds)),
      settle_(Seconds(settleSeconds)),
      events_(folder_),
      started_(Clock::now()),
      atStart_(IdentitiesIn(folder_)) {}

InputFollower::Outcome InputFollower::WaitFor(const std::string& path, std::uint64_t bytes,
                                              const StopFlag& stop) {
  if (path != taken_.path) reads_ = 0;
  if (reads_ >= kReads) return Outcome::Unsteady;
  Watch watch = StartWatch(path);
  for (;;) {
    const bool stirred = Look(watch);
    const bool whole = watch.seen && std::uint64_t(watch.seen->size) >= bytes;
    const Clock::time_point now = Clock::now();
    if (whole && !stirred && Settled(watch.name, *watch.seen, now - watch.unchanged)) {
      return Take(watch);
    }
    if (stop.load() != 0) return Outcome::Stopped;
    if (!whole && now - watch.changed >= idle_) {
      return watch.seen ? Outcome::Short : Outcome::Missing;
    }
    // Closed just now: what it was closed at is one look away.
    if (stirred && events_.ClosedAfterWrite(watch.name)) continue;
    const Clock::time_point next = whole ? watch.unchanged + settle_ : watch.changed + idle_;
    events_.Wait(Milliseconds(std::min<Clock::duration>(kPollInterval, next - now)));
  }
}

InputFollower::Watch InputFollower::StartWatch(const std::string& path) {
  Watch watch{path, NameInFolder(path), std::nullopt, Clock::now(), Clock::now()};
  // A file as it was when the follower began has been quiet since then.
  if (const auto found = atStart_.find(watch.name); found != atStart_.end()) {
    watch.seen = found->second;
    watch.unchanged = started_;
  }
  return watch;
}

bool InputFollower::Look(Watch& watch) {
  const std::uint64_t mark = events_.Mark();
  const std::optional<FileIdentity> file = IdentityOf(watch.path);
  events_.Take();
  // A change told by an event may have come after the look: look again.
  const bool stirred = events_.ChangedSince(watch.name, mark);
  if (file != watch.seen || stirred) watch.changed = watch.unchanged = Clock::now();
  watch.seen = file;
  return stirred;
}

InputFollower::Outcome InputFollower::Take(const Watch& watch) {
  taken_ = {watch.path, watch.name, *watch.seen, events_.Mark()};
  events_.Forget(watch.name);
  atStart_.erase(watch.name);
  return Outcome::Whole;
}

bool InputFollower::ReadAsSettled(const PosixFile& input, const std::string& path, long long got,
                                  std::uint64_t bytes) {
  const std::optional<FileIdentity> read = IdentityOfOpen(input.descriptor());
  // A FIFO has no state to settle on: what its read delivered is all there is.
  if (!read) return true;
  events_.Take();
  // A file that came only after the wait ended (it was missing) is waited for.
  const bool same = path == taken_.path && got >= 0 && std::uint64_t(got) == bytes &&
                    !events_.ChangedSince(taken_.name, taken_.mark) && read == taken_.file &&
                    IdentityOf(path) == taken_.file;
  reads_ = same ? 0 : reads_ + 1;
  return same;
}

bool InputFollower::Settled(const std::string& name, const FileIdentity& file,
                            Clock::duration quiet) const {
  if (quiet >= settle_ || events_.ClosedAfterWrite(name)) return true;
  // The folder's own clock: a name made or removed in it the settle time
  // after the file's last write shows the file untouched that long, whatever
  // this machine's clock says against the file server's. Where no close is
  // told, a scan written faster than a file per settle time keeps up so.
  const std::optional<std::int64_t> folder = FolderModified(folder_);
  return folder && *folder - file.modified >= std::chrono::nanoseconds(settle_).count();
}

std::string InputFollower::NameInFolder(const std::string& path) const {
  if (path.size() <= folder_.size() || path.compare(0, folder_.size(), folder_) != 0) return {};
  std::string name = path.substr(folder_.size());
  return name.find('/') == std::string::npos ? name : std::string();
}

}  // namespace projconv
