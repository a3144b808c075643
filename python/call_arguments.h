#pragma once

// The arguments of one call, bound to their names as Python binds those of a
// function with keyword-only parameters. The module's functions take *args
// and **kwargs and bind them here, so that pybind11 has nothing to match: its
// message for a call that matches no overload prints every argument, and an
// image of many megabytes with it.

#include <pybind11/pybind11.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace projconv {

namespace py = pybind11;

// One argument: its name, and its value when the caller gave one.
struct Argument {
  std::string name;
  py::object value;  // null when not given
  explicit operator bool() const { return bool(value); }
};

class CallArguments {
 public:
  // `positional` names the parameters that may also come by position, in
  // their order; every other one is a keyword.
  CallArguments(const char* function, const py::args& args, const py::kwargs& kwargs,
                std::initializer_list<const char*> positional);

  // The argument named `name`, taken out of those left; empty when the
  // caller did not give it.
  Argument Take(const char* name);

  // The arguments not taken yet, in the caller's order; none are left after.
  std::vector<Argument> TakeRest();

  // A TypeError for the first argument no parameter took.
  void Finish() const;

 private:
  std::string function_;
  std::vector<Argument> given_;
};

}  // namespace projconv
