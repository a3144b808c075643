#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace projconv {

// The bytes of the one file being probed. The probe reads a few hundred
// short stretches of it, so a large file never has to be read whole.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  virtual std::uint64_t Size() const = 0;

  // Fills `into` from `offset`; false when the bytes cannot all be had.
  virtual bool CopyAt(std::uint64_t offset, std::span<unsigned char> into) const = 0;
};

// A file already in memory.
class MemoryBytes : public ByteSource {
 public:
  explicit MemoryBytes(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  std::uint64_t Size() const override { return bytes_.size(); }

  bool CopyAt(std::uint64_t offset, std::span<unsigned char> into) const override {
    if (offset > bytes_.size() || into.size() > bytes_.size() - offset) return false;
    if (!into.empty()) std::memcpy(into.data(), bytes_.data() + offset, into.size());
    return true;
  }

 private:
  std::span<const unsigned char> bytes_;
};

}  // namespace projconv
