#pragma once

// What tells one state of a file from another without reading it: which file
// a name leads to (device and inode) and what the last write left (length and
// modification time, to the nanosecond the file system keeps).

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace projconv {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since the epoch, on the file system's clock
  bool operator==(const FileIdentity&) const = default;
};

// The regular file `path` names; nothing when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path);
// The regular file open as `descriptor`; nothing when it is not one.
std::optional<FileIdentity> IdentityOfOpen(int descriptor);
// The regular files in the folder `path` (through links), by name.
std::unordered_map<std::string, FileIdentity> IdentitiesIn(const std::string& path);
// The modification time of the folder `path` in nanoseconds, which moves on
// whenever a name in it is made, removed or renamed; nothing when there is no
// such folder.
std::optional<std::int64_t> FolderModified(const std::string& path);

}  // namespace projconv
