#include "engine/name_pattern.h"

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
  std::size_t pos = 0;
  while (pos < format.size()) {
    if (format[pos++] != '%') continue;
    if (pos < format.size() && format[pos] == '%') {
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
  return NamePattern(format);
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
