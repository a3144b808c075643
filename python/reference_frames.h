#pragma once

// The flats or darks given to convert_image and convert_array, as flat= or
// dark=: the bytes of one raw file (header included, as `data` is given), a
// sequence of such files, or numpy arrays of frames, (height, width) or
// (n, height, width), in the input's sample type and without a header; a
// sequence may mix files and arrays. Every frame is checked against the
// input's layout here, so that a wrong one is named by its keyword and its
// place, and handed on without its header.

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/conversion_parameters.h"
#include "python/byte_view.h"
#include "python/call_arguments.h"

namespace projconv {

class ReferenceFrames {
 public:
  // Takes the frames of `argument` for inputs of `layout`; `kind` ("flat" or
  // "dark") names them in messages as the engine does.
  ReferenceFrames(const Argument& argument, const ConversionParameters& layout, const char* kind);

  // Each the samples of one image, header left out.
  std::span<const std::span<const unsigned char>> frames() const { return frames_; }

 private:
  void TakeItem(py::handle item, const std::string& place);
  void TakeFile(py::handle item);
  void TakeArray(py::handle item, const std::string& place);

  Argument argument_;
  const ConversionParameters& layout_;
  const char* kind_;
  std::uint64_t imageBytes_ = 0;
  std::vector<std::unique_ptr<ByteView>> views_;
  std::vector<py::object> arrays_;
  std::vector<std::span<const unsigned char>> frames_;
};

}  // namespace projconv
