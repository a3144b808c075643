#include "engine/name_pattern.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace projconv {

namespace {

// Longest width or precision we accept: anything longer cannot be a file name
// and would only make the formatter build a huge string.
constexpr long kMaxFieldDigits = 4096;

// The flags printf defines for an integer conversion; '#' is undefined with
// d and i, so it is refused like any other form printf does not define.
bool IsFlag(char c) {
  return std::strchr("-+ 0", c) != nullptr && c != '\0';
}

// Reads a run of decimal digits at `pos`; false when its value is too large.
bool SkipNumber(const std::string& s, std::size_t& pos) {
  long value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
    value = value * 10 + (s[pos] - '0');
    if (value > kMaxFieldDigits) return false;
    ++pos;
  }
  return true;
}

}  // namespace

std::optional<NamePattern> NamePattern::Parse(const std::string& format) {
  if (format.find('\0') != std::string::npos) return std::nullopt;
  int conversions = 0;
  std::string literal[2];  // before and after the number
  std::size_t pos = 0;
  while (pos < format.size()) {
    if (format[pos++] != '%') {
      literal[conversions > 0] += format[pos - 1];
      continue;
    }
    if (pos < format.size() && format[pos] == '%') {
      literal[conversions > 0] += '%';
      ++pos;
      continue;
    }
    while (pos < format.size() && IsFlag(format[pos])) ++pos;
    if (!SkipNumber(format, pos)) return std::nullopt;
    if (pos < format.size() && format[pos] == '.') {
      ++pos;
      if (!SkipNumber(format, pos)) return std::nullopt;
    }
    if (pos >= format.size() || (format[pos] != 'd' && format[pos] != 'i')) return std::nullopt;
    ++pos;
    ++conversions;
  }
  if (conversions != 1) return std::nullopt;
  return NamePattern(format, std::move(literal[0]), std::move(literal[1]));
}

std::optional<std::int32_t> NamePattern::NumberOf(std::string_view name) const {
  if (name.size() < prefix_.size() + suffix_.size() || !name.starts_with(prefix_) ||
      !name.ends_with(suffix_)) {
    return std::nullopt;
  }
  std::string_view field =
      name.substr(prefix_.size(), name.size() - prefix_.size() - suffix_.size());
  // Whatever flags, width and precision made of the number, its digits and
  // sign stand between padding blanks and leading zeros; the candidate is
  // formatted again to see whether it gives the name.
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  const bool negative = !field.empty() && field.front() == '-';
  if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
  while (field.size() > 1 && field.front() == '0') field.remove_prefix(1);
  if (field.size() > 10) return std::nullopt;
  std::int64_t value = 0;  // an empty field is 0 with precision 0
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  const auto number = static_cast<std::int32_t>(value);
  if (Format(number) != name) return std::nullopt;
  return number;
}

std::optional<std::string> NamePattern::FolderPart() const {
  if (suffix_.find('/') != std::string::npos) return std::nullopt;
  const std::size_t slash = prefix_.find_last_of('/');
  return slash == std::string::npos ? std::string() : prefix_.substr(0, slash + 1);
}

std::string NamePattern::Format(std::int32_t number) const {
  // The format was checked by Parse: one int conversion and nothing else.
  const int length = std::snprintf(nullptr, 0, format_.c_str(), static_cast<int>(number));
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  std::snprintf(text.data(), text.size(), format_.c_str(), static_cast<int>(number));
  return std::string(text.data(), static_cast<std::size_t>(length));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

}  // namespace projconv
