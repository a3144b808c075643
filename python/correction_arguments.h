#pragma once

// The correction's keywords (python/correction_keywords.h) to and from
// Python values: a pattern as a str or path, first and count as integers,
// combine and correct by their names, correct_scale as a number or None for
// the mode's default.

#include <pybind11/pybind11.h>

#include <string>

#include "engine/flat_field.h"
#include "python/call_arguments.h"
#include "python/correction_keywords.h"

namespace projconv {

// Sets what `row` names in `c` from `argument`, or raises as every argument
// check does.
void SetCorrectionValue(CorrectionParameters& c, const CorrectionKeyword& row,
                        const Argument& argument);

// What `row` names in `c`, as read_settings gives it.
py::object CorrectionValueObject(const CorrectionParameters& c, const CorrectionKeyword& row);

// A name's bytes as a str that os.fsencode turns back into them.
py::object NameObject(const std::string& bytes);

}  // namespace projconv
