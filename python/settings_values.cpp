#include "python/settings_values.h"

#include <sys/stat.h>

#include <type_traits>
#include <variant>

#include "engine/parameter_table.h"
#include "python/argument_values.h"
#include "python/correction_arguments.h"
#include "python/correction_keywords.h"
#include "settings/desktop_file.h"

namespace projconv {

namespace {

bool OverrideParameter(ConversionParameters& p, const Argument& argument) {
  for (const ParameterDescriptor& parameter : kParameterTable) {
    if (argument.name != parameter.name) continue;
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(p.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            p.*member = TextOf(argument);  // folders may be given as paths
          } else if constexpr (std::is_same_v<T, float>) {
            p.*member = static_cast<float>(FloatOf(argument));
          } else if constexpr (std::is_enum_v<T>) {
            const auto& [zero, one] = parameter.choices;
            p.*member = ChoiceOf<T>(argument, zero.name, one.name, true);
          } else {
            p.*member = Int32Of(argument);
          }
        },
        parameter.member);
    return true;
  }
  return false;
}

std::string Wrapped(const std::string& text) {
  constexpr std::size_t kWidth = 77;
  std::string wrapped;
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      wrapped += line + "\n";
      line = "   ";
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return wrapped + line;
}

}  // namespace

std::optional<std::string> SettingsPath(const Argument& path) {
  if (!path || path.value.is_none()) return std::nullopt;
  return TextOf(path);
}

StoredLoad BaseSettings(const std::optional<std::string>& path) {
  const std::string file = path.value_or(DesktopSettingsFile());
  struct stat info {};
  if (!path && ::stat(file.c_str(), &info) != 0) return StoredLoad{FirstRunParameters(), {}, {}};
  StoredLoad load = LoadNamedSettings(file);
  if (!load.problems.empty()) {
    std::string message;
    for (const std::string& problem : load.problems) {
      if (!message.empty()) message += "\n";
      message += "settings file " + file + ": " + problem;
    }
    throw py::value_error(message);
  }
  return load;
}

py::dict SettingsDict(const StoredLoad& settings) {
  py::dict out;
  ForEachNamedValue(settings.settings, [&out](const char* name, const auto& value) {
    using T = std::remove_cvref_t<decltype(value)>;
    if constexpr (std::is_same_v<T, float>) {
      out[name] = static_cast<double>(value);  // exactly
    } else if constexpr (std::is_same_v<T, std::string>) {
      out[name] = NameObject(value);  // bytes that are not UTF-8 come back as given
    } else {
      out[name] = value;
    }
  });
  for (const CorrectionKeyword& row : kCorrectionKeywords) {
    out[row.name] = CorrectionValueObject(settings.correction, row);
  }
  return out;
}

void Override(StoredLoad& settings, const Argument& argument) {
  if (OverrideParameter(settings.settings, argument)) return;
  if (const CorrectionKeyword* row = CorrectionKeywordNamed(argument.name.c_str())) {
    SetCorrectionValue(settings.correction, *row, argument);
    return;
  }
  throw py::type_error("run_batch() got an unexpected keyword argument '" +
                       Shortened(argument.name) + "'");
}

std::string ReadSettingsDoc() {
  std::string text =
      "path: the file, or None for the desktop program's settings (the built-in defaults when it "
      "has none). Keys are ";
  for (const ParameterDescriptor& row : kParameterTable) {
    text += row.name;
    if (row.choices[0].name != nullptr) {
      text += std::string(" (0 ") + row.choices[0].name + ", 1 " + row.choices[1].name + ")";
    }
    text += ", ";
  }
  text += "then the [Correction] section's ";
  for (std::size_t i = 0; i < kCorrectionKeywords.size(); ++i) {
    const CorrectionKeyword& row = kCorrectionKeywords[i];
    text += std::string(row.name) + " (" + row.key + ")";
    text += i + 2 < kCorrectionKeywords.size()   ? ", "
            : i + 1 < kCorrectionKeywords.size() ? " and "
                                                 : "";
  }
  text +=
      "; the dict can be passed back to run_batch as overrides. A file with problems raises "
      "ValueError naming the keys.";
  return Wrapped(text);
}

}  // namespace projconv
