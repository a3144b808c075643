#pragma once

// What inotify tells of the names in one folder: when each was last changed
// (written, made, removed, renamed over or away), counted in events, and
// whether it was closed after writing with no change since. Network file
// systems change files without a word to the watcher, so an answer here only
// ever adds to what the files' own status tells, and events that were lost
// count as a change of every name.

#include <cstdint>
#include <string>
#include <unordered_map>

namespace projconv {

class FolderEvents {
 public:
  // Watches `folder`, a path that names a folder (it may end in '/'). Without
  // a watch (no such folder yet, no inotify), nothing is ever told.
  explicit FolderEvents(const std::string& folder);
  ~FolderEvents();
  FolderEvents(const FolderEvents&) = delete;
  FolderEvents& operator=(const FolderEvents&) = delete;

  // Sleeps until an event comes or `milliseconds` have passed, then takes in
  // every event that waits.
  void Wait(int milliseconds);
  // Takes in every event that waits, without sleeping.
  void Take();

  // The events taken in so far: a point to ask ChangedSince about.
  std::uint64_t Mark() const { return taken_; }
  // Whether an event after `mark` told that `name` changed, or events were
  // lost after it.
  bool ChangedSince(const std::string& name, std::uint64_t mark) const;
  // Whether `name` was closed after writing, with no change told since.
  bool ClosedAfterWrite(const std::string& name) const;
  // Drops what is known of `name`; events to come are kept as always.
  void Forget(const std::string& name) { names_.erase(name); }

 private:
  struct NameState {
    std::uint64_t changed = 0;  // the event that changed it last
    bool closed = false;        // the last event was a close after writing
  };
  void Note(const char* name, std::uint32_t mask);
  void Lose();

  int watcher_ = -1;  // inotify descriptor, -1 without a watch
  std::uint64_t taken_ = 0;
  std::uint64_t lost_ = 0;  // the point where events were lost last
  std::unordered_map<std::string, NameState> names_;
};

}  // namespace projconv
