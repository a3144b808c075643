#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace projconv {

// A zero-filled heap array that knows its length. Obtained with calloc, so a
// large buffer costs no page touching until it is used, and a failed request
// is an ordinary empty result rather than an exception.
template <typename T>
class OwnedBuffer {
 public:
  OwnedBuffer() = default;

  // Replaces the contents with `count` zeroed elements. Returns false, leaving
  // the buffer absent, when the memory cannot be obtained. A request for 0
  // elements succeeds with a valid, empty buffer.
  bool Obtain(std::size_t count) {
    Release();
    void* memory = std::calloc(count == 0 ? 1 : count, sizeof(T));
    if (memory == nullptr) return false;
    data_.reset(static_cast<T*>(memory));
    count_ = count;
    return true;
  }

  void Release() {
    data_.reset();
    count_ = 0;
  }

  bool present() const { return data_ != nullptr; }
  T* data() const { return data_.get(); }
  std::size_t size() const { return count_; }
  std::size_t bytes() const { return count_ * sizeof(T); }

 private:
  struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T[], FreeDeleter> data_;
  std::size_t count_ = 0;
};

}  // namespace projconv
