#include "python/call_arguments.h"

#include <algorithm>

#include "python/argument_values.h"

namespace projconv {

CallArguments::CallArguments(const char* function, const py::args& args, const py::kwargs& kwargs,
                             std::initializer_list<const char*> positional)
    : function_(function) {
  if (args.size() > positional.size()) {
    throw py::type_error(function_ + "() takes at most " + std::to_string(positional.size()) +
                         " positional argument" + (positional.size() == 1 ? "" : "s") + ", " +
                         std::to_string(args.size()) + " were given");
  }
  const char* const* name = positional.begin();
  for (const py::handle value : args) {
    given_.push_back({*name++, py::reinterpret_borrow<py::object>(value)});
  }
  for (const auto& [key, value] : kwargs) {
    // A keyword no UTF-8 can hold names no parameter; it is told escaped.
    const py::bytes utf8 = py::reinterpret_steal<py::bytes>(
        PyUnicode_AsEncodedString(key.ptr(), "utf-8", "backslashreplace"));
    if (!utf8) throw py::error_already_set();
    std::string keyword = utf8;
    if (std::any_of(given_.begin(), given_.end(),
                    [&keyword](const Argument& a) { return a.name == keyword; })) {
      throw py::type_error(function_ + "() got multiple values for argument '" +
                           Shortened(keyword) + "'");
    }
    given_.push_back({std::move(keyword), py::reinterpret_borrow<py::object>(value)});
  }
}

Argument CallArguments::Take(const char* name) {
  const auto found = std::find_if(given_.begin(), given_.end(),
                                  [name](const Argument& a) { return a.name == name; });
  if (found == given_.end()) return {name, py::object()};
  Argument taken = std::move(*found);
  given_.erase(found);
  return taken;
}

std::vector<Argument> CallArguments::TakeRest() {
  return std::exchange(given_, {});
}

void CallArguments::Finish() const {
  if (given_.empty()) return;
  throw py::type_error(function_ + "() got an unexpected keyword argument '" +
                       Shortened(given_.front().name) + "'");
}

}  // namespace projconv
