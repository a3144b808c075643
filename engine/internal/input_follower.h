#pragma once

// Waiting for the next projection of a scan that is still being written.
// A file that exists may not be whole yet, and one that is long enough may
// still be filled: a detector may set the length first, write the end first,
// or put another file in its place. So the batch reads a file only once it
// holds the header and every sample and has settled: it was closed after
// writing (where inotify says so), or it has not changed for the settle time.
// What it settled on is checked again after the read, so that a file changed
// or replaced meanwhile is read again rather than converted from a mixture.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "engine/internal/file_identity.h"
#include "engine/internal/folder_events.h"
#include "engine/projection_job.h"

namespace projconv {

class PosixFile;

class InputFollower {
 public:
  enum class Outcome {
    Whole,     // the file holds at least the bytes asked for, and has settled
    Missing,   // nothing changed for the idle time, and the file is not there
    Short,     // nothing changed for the idle time, and the file is too short
    Stopped,   // the stop flag was set
    Unsteady,  // the file changed under every read of it, kReads times
  };
  static constexpr int kReads = 4;

  // Watches `folder`; the scan counts as ended once nothing has changed for
  // `idleSeconds`, and a whole file as written once it has not changed for
  // `settleSeconds`.
  InputFollower(const std::string& folder, double idleSeconds, double settleSeconds);

  // Waits until `path` holds `bytes` bytes and has settled, the scan goes
  // idle, or `stop` is set. The idle time runs from the call, and starts
  // again whenever the file appears or changes; it ends no wait for a file
  // that is long enough. Asked again for the file whose read
  // ReadAsSettled refused, it waits for it to settle anew.
  Outcome WaitFor(const std::string& path, std::uint64_t bytes, const StopFlag& stop);

  // Whether the read of `path` through `input` delivered `got` == `bytes`
  // bytes of the very file WaitFor settled on, unchanged and still under its
  // name to the end of the read. A FIFO passes as it is.
  bool ReadAsSettled(const PosixFile& input, const std::string& path, long long got,
                     std::uint64_t bytes);

 private:
  using Clock = std::chrono::steady_clock;
  // What one wait knows of its file.
  struct Watch {
    std::string path, name;
    std::optional<FileIdentity> seen;  // as last looked at
    Clock::time_point changed;         // the idle time runs from here
    Clock::time_point unchanged;       // the settle time runs from here
  };
  Watch StartWatch(const std::string& path);
  // Looks at the file and takes in the folder's events; true when an event
  // told of a change of the file.
  bool Look(Watch& watch);
  Outcome Take(const Watch& watch);
  // Whether `file`, long enough and unchanged for `quiet`, is written.
  bool Settled(const std::string& name, const FileIdentity& file, Clock::duration quiet) const;
  // `path` as a name in the watched folder; empty when it lies elsewhere.
  std::string NameInFolder(const std::string& path) const;

  std::string folder_;  // the watched folder, ending in '/'
  Clock::duration idle_, settle_;
  FolderEvents events_;
  // The files there were when the follower began, unchanged since then as
  // far as anyone knows: the part of the scan written before the batch.
  Clock::time_point started_;
  std::unordered_map<std::string, FileIdentity> atStart_;
  struct Taken {
    std::string path, name;
    FileIdentity file;
    std::uint64_t mark = 0;  // the folder's events when it was taken
  } taken_;
  int reads_ = 0;  // reads of taken_.path refused so far
};

}  // namespace projconv
