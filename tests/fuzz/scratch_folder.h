#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace projconv {

namespace fuzz {

// The folder one fuzzing process works in: made once with mkdtemp under
// /dev/shm when there is one (files there never touch a disk), else under
// $TMPDIR or /tmp, with an input and an output folder inside. Emptied before
// every case and removed with the process.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Makes the input and output folders afresh and empty.
  void Reset() const;

  const std::string& inFolder() const { return in_; }
  const std::string& outFolder() const { return out_; }

 private:
  std::string root_, in_, out_;
};

// One entry of a folder: its name and, for a file, its size.
struct Entry {
  std::string name;
  std::int64_t size = -1;  // -1 for anything but a regular file
  bool operator==(const Entry&) const = default;
};

// The entries of `folder`, sorted by name.
std::vector<Entry> ListFolder(const std::string& folder);

// Size of the regular file at `path`, or -1.
std::int64_t FileSize(const std::string& path);

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace fuzz

}  // namespace projconv
