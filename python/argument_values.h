#pragma once

// Each argument converted with a check of its own. A wrong one raises a
// TypeError (a wrong kind of value) or a ValueError (a value out of range) of
// a few words, "crop: expected a tuple of 4 integers (left, top, right,
// bottom), got a tuple of 3", that names the keyword and never holds the
// whole text of a value. A missing one raises a TypeError saying so.

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "python/call_arguments.h"

namespace projconv {

// At most `limit` characters of `text`, marked as cut when it was longer.
std::string Shortened(const std::string& text, std::size_t limit = 40);

// A few words on what `value` is: "None", "int 5", "float 2.5",
// "str 'abc'", "a tuple of 3", or its type's name ("bytes", "numpy.ndarray").
std::string Describe(py::handle value);

[[noreturn]] void WrongType(const Argument& argument, const std::string& expected);
// The same for a part of the argument's value that `got` describes.
[[noreturn]] void WrongType(const Argument& argument, const std::string& expected,
                            const std::string& got);
[[noreturn]] void WrongValue(const Argument& argument, const std::string& expected,
                             const std::string& got);

std::int32_t Int32Of(const Argument& argument);
double FloatOf(const Argument& argument);
bool BoolOf(const Argument& argument);
// A str or a path (os.PathLike, bytes) as text.
std::string TextOf(const Argument& argument);
// 0 for one per processor, up to what more cannot help one image.
int ThreadsOf(const Argument& argument);

// Fills `out` from a sequence of as many integers as `fields` names.
void FillInt32Tuple(const Argument& argument, std::span<const char* const> fields,
                    std::span<std::int32_t> out);

// Which of two names a str gives: 0 for `zero`, 1 for `one`. With
// `numbers`, an integer is taken as the stored number it is.
std::int32_t ChoiceNumberOf(const Argument& argument, const char* zero, const char* one,
                            bool numbers);

template <typename Choice>
Choice ChoiceOf(const Argument& argument, const char* zero, const char* one, bool numbers) {
  return Choice(ChoiceNumberOf(argument, zero, one, numbers));
}

}  // namespace projconv
