#pragma once

#include <cstdint>
#include <cstring>

namespace projconv {

// Samples of type T laid out from `origin` bytes into a buffer of `bufferBytes`
// bytes, at any byte alignment. A position whose bytes are not wholly inside
// the buffer reads as 0 and is never written: whatever the parameters, the
// transform cannot reach memory it does not own.
template <typename T>
class SampleView {
 public:
  SampleView(void* buffer, std::int64_t bufferBytes, std::int64_t origin)
      : buffer_(static_cast<unsigned char*>(buffer)), bytes_(bufferBytes), origin_(origin) {}

  T Get(std::int64_t index) const {
    const std::int64_t at = ByteOf(index);
    if (at < 0) return T{};
    T value;
    std::memcpy(&value, buffer_ + at, sizeof value);
    return value;
  }

  void Set(std::int64_t index, T value) const {
    const std::int64_t at = ByteOf(index);
    if (at >= 0) std::memcpy(buffer_ + at, &value, sizeof value);
  }

  // Whether samples first .. first + count - 1 all lie inside the buffer.
  bool Covers(std::int64_t first, std::int64_t count) const {
    return count <= 0 || (ByteOf(first) >= 0 && ByteOf(first + count - 1) >= 0);
  }

 private:
  // Byte position of sample `index`, or -1 when it is not wholly inside.
  std::int64_t ByteOf(std::int64_t index) const {
    constexpr auto kSize = static_cast<std::int64_t>(sizeof(T));
    if (index < -bytes_ || index > bytes_) return -1;  // keeps the product in range
    const std::int64_t at = origin_ + index * kSize;
    return at >= 0 && at <= bytes_ - kSize ? at : -1;
  }

  unsigned char* buffer_;
  std::int64_t bytes_;
  std::int64_t origin_;
};

}  // namespace projconv
