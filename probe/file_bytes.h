#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/posix_file.h"
#include "probe/byte_source.h"

namespace projconv {

// A regular file read in blocks as the probe asks for its bytes. Every
// candidate layout samples rows near the same places of the file, so the
// blocks read for one are kept for the next.
class FileBytes : public ByteSource {
 public:
  // Opens `path`; false, with problem() saying why, when it is not a
  // regular file that can be read.
  bool Open(const std::string& path);

  std::uint64_t Size() const override { return size_; }
  bool CopyAt(std::uint64_t offset, std::span<unsigned char> into) const override;

  // Why the file could not be opened, or why a read failed; empty if none did.
  const std::string& problem() const { return problem_; }

 private:
  const std::vector<unsigned char>* Block(std::uint64_t index) const;

  PosixFile file_;
  std::uint64_t size_ = 0;
  mutable std::map<std::uint64_t, std::vector<unsigned char>> blocks_;
  mutable std::string problem_;
};

}  // namespace projconv
