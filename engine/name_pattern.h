#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace projconv {

// A printf-style file-name pattern with exactly one integer field, such as
// "raw.%04i" or "%03d.prj". Anything else a printf format could do (strings,
// %n, '*', length modifiers, a second field) is refused when the pattern is
// made, so formatting can never consume more than the one integer.
class NamePattern {
 public:
  // The pattern, or nothing when `format` is not of that form.
  static std::optional<NamePattern> Parse(const std::string& format);

  // The name for `number`, formatted as printf would.
  std::string Format(std::int32_t number) const;

 private:
  explicit NamePattern(std::string format) : format_(std::move(format)) {}
  std::string format_;
};

// folder + "/" + name: the folder is taken literally, never as a format.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace projconv
