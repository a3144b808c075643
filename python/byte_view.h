#pragma once

// The bytes of any object that exports a buffer. A C-contiguous buffer is
// used where it lies; anything else is copied once into a bytes object that
// the view holds for as long as it is needed.

#include <pybind11/pybind11.h>

#include <span>

#include "python/call_arguments.h"

namespace projconv {

class ByteView {
 public:
  explicit ByteView(const Argument& data);
  ByteView(const ByteView&) = delete;
  ByteView& operator=(const ByteView&) = delete;
  ~ByteView();
  std::span<const unsigned char> bytes() const {
    return {static_cast<const unsigned char*>(view_.buf), std::size_t(view_.len)};
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
  py::object copy_;
};

}  // namespace projconv
