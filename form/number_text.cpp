#include "form/number_text.h"

#include <array>
#include <charconv>
#include <system_error>

namespace projconv {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// std::from_chars takes a "-" but not a "+"; drop a lone leading "+" so that
// both signs are read, while "+-1" and "++1" stay malformed.
std::string_view DropPlusSign(std::string_view text) {
  if (text.size() >= 2 && text[0] == '+' && text[1] != '+' && text[1] != '-') {
    return text.substr(1);
  }
  return text;
}

// from_chars in general format would also take "inf", "nan" and their
// spellings; a number typed into the dialog is made of these characters only.
bool HasOnlyDecimalCharacters(std::string_view text) {
  return text.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
}

template <typename Number>
std::string ToText(Number value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

template <typename Number>
std::optional<Number> FromWholeText(std::string_view text) {
  Number value{};
  const char* const end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::string IntToText(std::int32_t value) {
  return ToText(value);
}

std::string FloatToText(float value) {
  return ToText(value);
}

std::optional<std::int32_t> TextToInt(std::string_view text, Blanks blanks) {
  if (blanks == Blanks::Refused && TrimBlanks(text) != text) return std::nullopt;
  const std::string_view number = DropPlusSign(TrimBlanks(text));
  if (number.empty()) return std::nullopt;
  return FromWholeText<std::int32_t>(number);
}

std::optional<float> TextToFloat(std::string_view text, Blanks blanks) {
  if (blanks == Blanks::Refused && TrimBlanks(text) != text) return std::nullopt;
  const std::string_view number = DropPlusSign(TrimBlanks(text));
  if (number.empty() || !HasOnlyDecimalCharacters(number)) return std::nullopt;
  return FromWholeText<float>(number);
}

}  // namespace projconv
