#include "python/byte_view.h"

#include "python/argument_values.h"

namespace projconv {

ByteView::ByteView(const Argument& data) {
  const char* expected = "bytes or another object with the buffer protocol";
  if (!data) WrongType(data, expected);
  if (PyObject_GetBuffer(data.value.ptr(), &view_, PyBUF_SIMPLE) == 0) {
    held_ = true;
    return;
  }
  PyErr_Clear();
  // Strided views and the like: memoryview knows how to lay them out.
  try {
    copy_ = py::module_::import("builtins").attr("memoryview")(data.value).attr("tobytes")();
  } catch (const py::error_already_set& e) {
    if (e.matches(PyExc_TypeError)) WrongType(data, expected);
    throw;
  }
  if (PyObject_GetBuffer(copy_.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
  held_ = true;
}

ByteView::~ByteView() {
  if (held_) PyBuffer_Release(&view_);
}

}  // namespace projconv
