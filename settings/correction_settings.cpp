#include "settings/correction_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "settings/ini_document.h"
#include "settings/stored_settings.h"
#include "settings/utf16_text.h"

namespace projconv {

namespace {

std::u16string Ascii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

// The shortest decimal text that reads back as exactly `value`.
std::string DecimalText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// A decimal number, whole text, finite.
std::optional<double> DecimalNumber(const std::string& text) {
  if (text.empty() || text.find_first_of(" \t\n") != std::string::npos) return std::nullopt;
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<std::int32_t> WholeNumber(const std::string& text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Takes `text` for `key` into `c`; false when it is not a value of the key.
bool Apply(CorrectionParameters& c, const std::string& key, const std::u16string& text) {
  const std::string utf8 = Utf8OfUtf16(text);
  ReferenceFiles& files = key.rfind("Flat", 0) == 0 ? c.flat : c.dark;
  if (key == "FlatPattern" || key == "DarkPattern") {
    files.pattern = NameOfUtf16(text);
    return true;
  }
  if (key == "FlatFirst" || key == "DarkFirst" || key == "FlatCount" || key == "DarkCount") {
    const std::optional<std::int32_t> number = WholeNumber(utf8);
    if (!number) return false;
    (key.ends_with("First") ? files.first : files.count) = *number;
    return true;
  }
  if (key == "Combine") {
    const auto combine = CombiningNamed(utf8);
    if (combine) c.combine = *combine;
    return combine.has_value();
  }
  if (key == "Mode") {
    const auto mode = CorrectionModeNamed(utf8);
    if (mode) c.mode = *mode;
    return mode.has_value();
  }
  if (utf8.empty()) {
    c.scale.reset();
    return true;
  }
  const std::optional<double> scale = DecimalNumber(utf8);
  if (scale) c.scale = scale;
  return scale.has_value();
}

const char* WhatItTakes(const std::string& key) {
  if (key == "Combine") return "is neither mean nor median";
  if (key == "Mode") return "is neither transmission nor attenuation";
  if (key == "Scale") return "is not a finite decimal number";
  return "is not a whole number in the 32-bit range";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> StoredCorrection(const CorrectionParameters& c) {
  return {{"FlatPattern", c.flat.pattern},
          {"FlatFirst", std::to_string(c.flat.first)},
          {"FlatCount", std::to_string(c.flat.count)},
          {"DarkPattern", c.dark.pattern},
          {"DarkFirst", std::to_string(c.dark.first)},
          {"DarkCount", std::to_string(c.dark.count)},
          {"Combine", CombiningName(c.combine)},
          {"Mode", CorrectionModeName(c.mode)},
          {"Scale", c.scale ? DecimalText(*c.scale) : std::string()}};
}

void ReadCorrection(IniDocument& file, CorrectionParameters& c,
                    std::vector<std::string>& problems) {
  const std::u16string group = Ascii(kCorrectionGroup) + u'/';
  const auto keys = StoredCorrection(CorrectionParameters{});
  for (const auto& [key, unused] : keys) {
    const std::optional<IniValue> value = file.Value(group + Ascii(key));
    if (!value) continue;
    std::u16string text;
    if (value->kind == IniValue::Kind::Text) {
      text = value->text;
    } else if (value->kind == IniValue::Kind::Bytes) {
      text = TextOfName(value->bytes);
    } else {
      problems.push_back(std::string(kCorrectionGroup) + "/" + key + " holds a value of type " +
                         (value->kind == IniValue::Kind::List ? "list" : value->typeName) +
                         ", not text");
      continue;
    }
    if (!Apply(c, key, text)) {
      problems.push_back(std::string(kCorrectionGroup) + "/" + key + " = " +
                         Utf8OfUtf16(QuotedText(text)) + " " + WhatItTakes(key));
    }
  }
  for (const std::u16string& name : file.ChildKeys(group)) {
    const bool known = std::any_of(keys.begin(), keys.end(),
                                   [&](const auto& key) { return name == Ascii(key.first); });
    if (!known) {
      problems.push_back("unknown key " + std::string(kCorrectionGroup) + "/" +
                         Utf8OfUtf16(QuotedText(name)));
    }
  }
}

}  // namespace projconv
