#include "python/correction_arguments.h"

#include <cmath>

#include "python/argument_values.h"

namespace projconv {

void SetCorrectionValue(CorrectionParameters& c, const CorrectionKeyword& row,
                        const Argument& argument) {
  switch (row.value) {
    case CorrectionValue::Pattern:
      (c.*row.files).pattern = TextOf(argument);
      return;
    case CorrectionValue::First:
      (c.*row.files).first = Int32Of(argument);
      return;
    case CorrectionValue::Count:
      (c.*row.files).count = Int32Of(argument);
      return;
    case CorrectionValue::Combine:
      c.combine = ChoiceOf<Combining>(argument, CombiningName(Combining::Mean),
                                      CombiningName(Combining::Median), false);
      return;
    case CorrectionValue::Mode:
      c.mode = ChoiceOf<CorrectionMode>(argument, CorrectionModeName(CorrectionMode::Transmission),
                                        CorrectionModeName(CorrectionMode::Attenuation), false);
      return;
    case CorrectionValue::Scale:
      if (argument && argument.value.is_none()) {
        c.scale.reset();
        return;
      }
      // Held as the double it is: the correction works in double throughout.
      c.scale = FloatOf(argument);
      if (!std::isfinite(*c.scale)) {
        WrongValue(argument, "a finite number or None", Describe(argument.value));
      }
      return;
  }
}

py::object CorrectionValueObject(const CorrectionParameters& c, const CorrectionKeyword& row) {
  switch (row.value) {
    case CorrectionValue::Pattern:
      return NameObject((c.*row.files).pattern);
    case CorrectionValue::First:
      return py::int_((c.*row.files).first);
    case CorrectionValue::Count:
      return py::int_((c.*row.files).count);
    case CorrectionValue::Combine:
      return py::str(CombiningName(c.combine));
    case CorrectionValue::Mode:
      return py::str(CorrectionModeName(c.mode));
    case CorrectionValue::Scale:
      return c.scale ? py::object(py::float_(*c.scale)) : py::object(py::none());
  }
  return py::none();
}

py::object NameObject(const std::string& bytes) {
  PyObject* text = PyUnicode_DecodeFSDefaultAndSize(bytes.data(), py::ssize_t(bytes.size()));
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(text);
}

}  // namespace projconv
