#include "strict_numbers.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

std::optional<std::int32_t> ParseInt32(QStringView text) {
  qsizetype at = 0;
  const bool negative = !text.isEmpty() && text[0] == u'-';
  if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) ++at;
  if (at == text.size()) return std::nullopt;

  // Magnitude up to 2^31, enough for the most negative value; stop early so
  // that a long run of digits cannot overflow.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const char16_t c = text[at].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > kLimit) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<float> ParseFiniteFloat(QStringView text) {
  std::string bytes = text.toString().toStdString();
  // from_chars takes no '+', which people write all the same.
  if (bytes.size() > 1 && bytes[0] == '+' && bytes[1] != '-') bytes.erase(0, 1);
  double value = 0.0;
  const char* end = bytes.data() + bytes.size();
  const auto [stop, error] = std::from_chars(bytes.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  const auto single = static_cast<float>(value);
  if (!std::isfinite(single)) return std::nullopt;
  return single;
}
