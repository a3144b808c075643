#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

  // The number whose name is `name`, if there is one. Names of different
  // numbers always differ, so there is at most one.
  std::optional<std::int32_t> NumberOf(std::string_view name) const;

  // The text every name starts with up to and including its last '/' before
  // the number: "sub/" for "sub/raw.%04i", "" for "raw.%04i". Nothing when
  // the number stands in a folder's name ("%03d/raw"), so that names differ
  // in their folder too.
  std::optional<std::string> FolderPart() const;

 private:
  NamePattern(std::string format, std::string prefix, std::string suffix)
      : format_(std::move(format)), prefix_(std::move(prefix)), suffix_(std::move(suffix)) {}
  std::string format_;
  // The literal text before and after the number, "%%" read as "%".
  std::string prefix_, suffix_;
};

// folder + "/" + name: the folder is taken literally, never as a format.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace projconv
