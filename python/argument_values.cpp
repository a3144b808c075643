#include "python/argument_values.h"

#include <climits>
#include <optional>

namespace projconv {

namespace {

// As projconv-batch --threads allows: more cannot help one image.
constexpr int kMaxThreads = 64;

const std::string kInt32Range =
    "integers from " + std::to_string(INT32_MIN) + " to " + std::to_string(INT32_MAX);

std::string TypeName(py::handle value) {
  return Py_TYPE(value.ptr())->tp_name;
}

bool IsText(py::handle value) {
  return PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) ||
         PyByteArray_Check(value.ptr());
}

// An int, or what stands for one (numpy's integers), but not True or False,
// which are ints to Python and mistakes here. numpy arrays claim to be
// integers too, and only those with one element are.
bool IsInteger(py::handle value) {
  if (PyBool_Check(value.ptr()) || PyIndex_Check(value.ptr()) == 0) return false;
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!index) PyErr_Clear();
  return bool(index);
}

// The value of an integer that fits 64 bits; nothing for a larger one.
std::optional<std::int64_t> Int64(py::handle value) {
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0) return std::nullopt;
  if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
  return number;
}

std::optional<std::int32_t> Int32(py::handle value) {
  const std::optional<std::int64_t> number = Int64(value);
  if (!number || *number < INT32_MIN || *number > INT32_MAX) return std::nullopt;
  return std::int32_t(*number);
}

std::string IntegerText(py::handle value) {
  const std::optional<std::int64_t> number = Int64(value);
  return number ? std::to_string(*number) : "beyond 64 bits";
}

[[noreturn]] void Refuse(const Argument& argument, bool valueError, const std::string& expected,
                         const std::string& got) {
  const std::string message = argument.name + ": expected " + expected + ", got " + got;
  if (valueError) throw py::value_error(message);
  throw py::type_error(message);
}

}  // namespace

std::string Shortened(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  // Cut at the start of a UTF-8 sequence: Python takes the message as UTF-8.
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

std::string Describe(py::handle value) {
  constexpr py::ssize_t kShown = 40;
  if (value.is_none()) return "None";
  if (PyBool_Check(value.ptr())) return "bool " + std::string(py::repr(value));
  if (IsInteger(value)) return TypeName(value) + " " + IntegerText(value);
  if (PyFloat_Check(value.ptr())) return TypeName(value) + " " + std::string(py::repr(value));
  if (PyUnicode_Check(value.ptr())) {
    const py::str text = py::reinterpret_borrow<py::str>(value);
    const bool cut = py::len(text) > std::size_t(kShown);
    return "str " + std::string(py::repr(text[py::slice(0, kShown, 1)])) + (cut ? "..." : "");
  }
  if (!IsText(value) && PySequence_Check(value.ptr())) {
    const py::ssize_t size = PySequence_Size(value.ptr());
    if (size >= 0) return "a " + TypeName(value) + " of " + std::to_string(size);
    PyErr_Clear();
  }
  return TypeName(value);
}

void WrongType(const Argument& argument, const std::string& expected) {
  if (!argument) throw py::type_error(argument.name + ": missing, expected " + expected);
  Refuse(argument, false, expected, Describe(argument.value));
}

void WrongType(const Argument& argument, const std::string& expected, const std::string& got) {
  Refuse(argument, false, expected, got);
}

void WrongValue(const Argument& argument, const std::string& expected, const std::string& got) {
  Refuse(argument, true, expected, got);
}

std::int32_t Int32Of(const Argument& argument) {
  if (!argument || !IsInteger(argument.value)) {
    WrongType(argument, "an integer");
  }
  const std::optional<std::int32_t> number = Int32(argument.value);
  if (!number) WrongValue(argument, kInt32Range, Describe(argument.value));
  return *number;
}

double FloatOf(const Argument& argument) {
  if (!argument || IsText(argument.value)) WrongType(argument, "a number");
  const double number = PyFloat_AsDouble(argument.value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    const bool tooLarge = PyErr_ExceptionMatches(PyExc_OverflowError) != 0;
    PyErr_Clear();
    if (tooLarge) WrongValue(argument, "a number", "an int too large for a float");
    WrongType(argument, "a number");
  }
  return number;
}

bool BoolOf(const Argument& argument) {
  if (argument && PyBool_Check(argument.value.ptr())) return argument.value.ptr() == Py_True;
  // numpy's own booleans, and the 0 and 1 that stand for them.
  if (argument && TypeName(argument.value) == std::string("numpy.bool_")) {
    return PyObject_IsTrue(argument.value.ptr()) == 1;
  }
  if (argument && IsInteger(argument.value)) {
    const std::optional<std::int64_t> number = Int64(argument.value);
    if (number == 0 || number == 1) return *number == 1;
    WrongValue(argument, "True or False", Describe(argument.value));
  }
  WrongType(argument, "True or False");
}

std::string TextOf(const Argument& argument) {
  if (!argument) WrongType(argument, "a str or os.PathLike");
  // os.fsencode gives a name's bytes as the system takes them, whether it
  // comes as str, bytes or a path.
  PyObject* bytes = nullptr;
  if (PyUnicode_FSConverter(argument.value.ptr(), &bytes) == 0) {
    const bool wrongType = PyErr_ExceptionMatches(PyExc_TypeError) != 0;
    if (!wrongType && !PyErr_ExceptionMatches(PyExc_ValueError)) throw py::error_already_set();
    PyErr_Clear();
    if (wrongType) WrongType(argument, "a str or os.PathLike");
    // A NUL character, or a character the file system's encoding cannot hold.
    WrongValue(argument, "a name the file system can take", Describe(argument.value));
  }
  const py::bytes held = py::reinterpret_steal<py::bytes>(bytes);
  return std::string(held);
}

int ThreadsOf(const Argument& argument) {
  const std::int32_t threads = Int32Of(argument);
  if (threads < 0 || threads > kMaxThreads) {
    WrongValue(argument, "0 (one per processor) to " + std::to_string(kMaxThreads),
               Describe(argument.value));
  }
  return threads;
}

void FillInt32Tuple(const Argument& argument, std::span<const char* const> fields,
                    std::span<std::int32_t> out) {
  std::string expected = "a tuple of ";
  expected += std::to_string(fields.size());
  expected += " integers (";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) expected += ", ";
    expected += fields[i];
  }
  expected += ')';
  if (!argument || IsText(argument.value) || !PySequence_Check(argument.value.ptr())) {
    WrongType(argument, expected);
  }
  const py::ssize_t size = PySequence_Size(argument.value.ptr());
  if (size < 0) throw py::error_already_set();
  if (std::size_t(size) != fields.size()) WrongType(argument, expected);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const py::object item =
        py::reinterpret_steal<py::object>(PySequence_GetItem(argument.value.ptr(), py::ssize_t(i)));
    if (!item) throw py::error_already_set();
    const std::string got = Describe(item) + " as " + fields[i];
    if (!IsInteger(item)) Refuse(argument, false, expected, got);
    const std::optional<std::int32_t> number = Int32(item);
    if (!number) WrongValue(argument, kInt32Range, got);
    out[i] = *number;
  }
}

std::int32_t ChoiceNumberOf(const Argument& argument, const char* zero, const char* one,
                            bool numbers) {
  std::string expected = std::string("\"") + zero + "\" or \"" + one + "\"";
  if (numbers) expected = std::string("\"") + zero + "\", \"" + one + "\" or its stored number";
  if (argument && PyUnicode_Check(argument.value.ptr())) {
    const py::str text = py::reinterpret_borrow<py::str>(argument.value);
    if (text.equal(py::str(zero))) return 0;
    if (text.equal(py::str(one))) return 1;
    WrongValue(argument, expected, Describe(argument.value));
  }
  if (!numbers || !argument || !IsInteger(argument.value)) {
    WrongType(argument, expected);
  }
  return Int32Of(argument);
}

}  // namespace projconv
