#include "python/reference_frames.h"

#include <pybind11/numpy.h>

#include <string>

#include "engine/refusal.h"
#include "python/argument_values.h"

namespace projconv {

namespace {

constexpr const char* kExpected = "bytes, a sequence of bytes or a numpy array of frames";

// The dtype an array of frames must have, and the one it is laid out in for
// the engine: the input's own byte order, or little-endian for floats,
// which is all the engine reads.
struct FrameType {
  char kind;
  py::ssize_t size;
  const char* name;
  std::string layout;
};

FrameType FrameTypeOf(const ConversionParameters& p) {
  if (p.sampleType == SampleType::Float32) return {'f', 4, "float32", "<f4"};
  const std::string order = p.byteOrder == ByteOrder::BigEndian ? ">" : "<";
  if (p.signedness == Signedness::Signed) return {'i', 2, "int16", order + "i2"};
  return {'u', 2, "uint16", order + "u2"};
}

std::string ShapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    text += (d > 0 ? ", " : "") + std::to_string(array.shape(d));
  }
  return text + (array.ndim() == 1 ? ",)" : ")");
}

}  // namespace

ReferenceFrames::ReferenceFrames(const Argument& argument, const ConversionParameters& layout,
                                 const char* kind)
    : argument_(argument), layout_(layout), kind_(kind) {
  // The layout has passed the engine's checks, so its length is known.
  imageBytes_ = InputReadLength(layout).value_or(0) - std::uint64_t(layout.headerLen);
  const py::handle value = argument.value;
  if (py::isinstance<py::array>(value) || PyObject_CheckBuffer(value.ptr())) {
    TakeItem(value, "");
  } else if (!PyUnicode_Check(value.ptr()) && PySequence_Check(value.ptr())) {
    const py::sequence items = py::reinterpret_borrow<py::sequence>(value);
    for (std::size_t i = 0; i < items.size(); ++i) {
      TakeItem(items[i], " as item " + std::to_string(i));
    }
  } else {
    WrongType(argument, kExpected);
  }
  if (frames_.empty()) WrongValue(argument, "at least one frame", Describe(value));
}

void ReferenceFrames::TakeItem(py::handle item, const std::string& place) {
  if (py::isinstance<py::array>(item)) return TakeArray(item, place);
  if (!PyObject_CheckBuffer(item.ptr())) WrongType(argument_, kExpected, Describe(item) + place);
  TakeFile(item);
}

void ReferenceFrames::TakeFile(py::handle item) {
  auto view = std::make_unique<ByteView>(
      Argument{argument_.name, py::reinterpret_borrow<py::object>(item)});
  const std::span<const unsigned char> bytes = view->bytes();
  const std::uint64_t whole = std::uint64_t(layout_.headerLen) + imageBytes_;
  if (bytes.size() < whole) {
    // As the engine words a short flat or dark.
    throw py::value_error(
        argument_.name + ": The " + kind_ + " image " + std::to_string(frames_.size()) + " holds " +
        std::to_string(bytes.size()) + " bytes, a whole input needs " + std::to_string(whole));
  }
  frames_.push_back(bytes.subspan(std::size_t(layout_.headerLen), std::size_t(imageBytes_)));
  views_.push_back(std::move(view));
}

void ReferenceFrames::TakeArray(py::handle item, const std::string& place) {
  const py::array array = py::reinterpret_borrow<py::array>(item);
  const py::ssize_t dims = array.ndim();
  if ((dims != 2 && dims != 3) || array.shape(dims - 2) != layout_.inSizeY ||
      array.shape(dims - 1) != layout_.inSizeX) {
    const std::string frame =
        std::to_string(layout_.inSizeY) + ", " + std::to_string(layout_.inSizeX);
    WrongValue(argument_, "frames of shape (" + frame + ") or (n, " + frame + ")",
               "an array of shape " + ShapeText(array) + place);
  }
  const FrameType type = FrameTypeOf(layout_);
  const py::dtype dtype = array.dtype();
  if (dtype.kind() != type.kind || dtype.itemsize() != type.size) {
    WrongValue(argument_, std::string("frames of ") + type.name + ", the sample type of the input",
               "an array of " + Shortened(py::str(py::handle(dtype)).cast<std::string>()) + place);
  }
  const py::object laidOut =
      py::module_::import("numpy").attr("ascontiguousarray")(array, type.layout);
  auto view = std::make_unique<ByteView>(Argument{argument_.name, laidOut});
  const std::span<const unsigned char> bytes = view->bytes();
  for (std::size_t at = 0; at + imageBytes_ <= bytes.size() && imageBytes_ > 0; at += imageBytes_) {
    frames_.push_back(bytes.subspan(at, std::size_t(imageBytes_)));
  }
  views_.push_back(std::move(view));
}

}  // namespace projconv
