#include "cli/correction_options.h"

#include <charconv>
#include <cmath>
#include <string>
#include <variant>

#include "form/number_text.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

using Override = std::function<void(CorrectionParameters&)>;
using Reading = std::variant<Override, QString>;  // the override, or what is wrong

struct CorrectionOption {
  const char* name;
  const char* valueName;
  const char* description;
  Reading (*read)(const char* name, const QString& value);
};

ReferenceFiles& FilesOf(CorrectionParameters& c, const char* option) {
  return option[0] == 'f' ? c.flat : c.dark;
}

Reading Pattern(const char* option, const QString& value) {
  if (value.isEmpty()) return QStringLiteral("the value is empty");
  return [option, text = NameOfText(value)](CorrectionParameters& c) {
    FilesOf(c, option).pattern = text;
  };
}

Reading First(const char* option, const QString& value) {
  const auto number = TextToInt(value.toStdString(), Blanks::Refused);
  if (!number) return QStringLiteral("\"%1\" is not a whole number in the 32-bit range").arg(value);
  return [option, n = *number](CorrectionParameters& c) { FilesOf(c, option).first = n; };
}

Reading Count(const char* option, const QString& value) {
  const auto number = TextToInt(value.toStdString(), Blanks::Refused);
  if (!number || *number < 1) {
    return QStringLiteral("\"%1\" is not a whole number from 1 to 2147483647").arg(value);
  }
  return [option, n = *number](CorrectionParameters& c) { FilesOf(c, option).count = n; };
}

Reading Combine(const char*, const QString& value) {
  const auto combine = CombiningNamed(value.toStdString());
  if (!combine) return QStringLiteral("\"%1\" is neither mean nor median").arg(value);
  return [n = *combine](CorrectionParameters& c) { c.combine = n; };
}

Reading Mode(const char*, const QString& value) {
  const auto mode = CorrectionModeNamed(value.toStdString());
  if (!mode) return QStringLiteral("\"%1\" is neither transmission nor attenuation").arg(value);
  return [n = *mode](CorrectionParameters& c) { c.mode = n; };
}

// A double as written in decimal: the whole argument, finite.
Reading Scale(const char*, const QString& value) {
  const std::string text = value.toStdString();
  double scale = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(scale)) {
    return QStringLiteral("\"%1\" is not a finite decimal number").arg(value);
  }
  return [scale](CorrectionParameters& c) { c.scale = scale; };
}

const CorrectionOption kOptions[] = {
    {"flat", "PATTERN",
     "Correct every input with these flat fields (open-beam images, raw files of the inputs' "
     "layout): a name pattern with one integer field, such as flat_%03d.raw, or one file "
     "name; relative to the input folder unless absolute.",
     Pattern},
    {"flat-first", "N", "The number of the first flat file of the --flat pattern; 0 by default.",
     First},
    {"flat-count", "K",
     "How many flat files of the pattern are combined, 1 or more; by default every file from "
     "the first until one is missing.",
     Count},
    {"dark", "PATTERN",
     "Take these dark fields (images without beam) off the inputs and the flats, named as "
     "with --flat; only with a flat field.",
     Pattern},
    {"dark-first", "N", "The number of the first dark file of the --dark pattern; 0 by default.",
     First},
    {"dark-count", "K",
     "How many dark files of the pattern are combined, 1 or more; by default every file from "
     "the first until one is missing.",
     Count},
    {"combine", "mean|median",
     "How the flats, and the darks, are combined sample by sample; mean by default.", Combine},
    {"correct", "transmission|attenuation",
     "Whether the corrected samples are transmission, (input minus dark) / (flat minus dark), "
     "or attenuation, its negative natural logarithm; transmission by default, only with a "
     "flat field.",
     Mode},
    {"correct-scale", "S",
     "The factor the corrected samples are multiplied by before they are made 16-bit; 10000 "
     "for transmission and 1000 for attenuation by default.",
     Scale},
};

bool IsPlainName(const std::string& pattern) {
  return !pattern.empty() && pattern.find('%') == std::string::npos;
}

// The options given that need the files of `kind` ("flat" or "dark").
QStringList NeedingFiles(const QStringList& given, const QString& kind) {
  QStringList needing;
  for (const QString& name : given) {
    const bool ofKind = name.startsWith(kind + '-');
    if (ofKind || (kind == QLatin1String("flat") && name != QLatin1String("flat"))) {
      needing << name;
    }
  }
  return needing;
}

}  // namespace

void DefineCorrectionOptions(QCommandLineParser& parser) {
  for (const CorrectionOption& option : kOptions) {
    parser.addOption({QLatin1String(option.name), QLatin1String(option.description),
                      QLatin1String(option.valueName)});
  }
}

std::optional<QString> ReadCorrectionOptions(const QCommandLineParser& parser,
                                             CorrectionChoice& choice) {
  for (const CorrectionOption& option : kOptions) {
    const QStringList values = parser.values(QLatin1String(option.name));
    if (!values.isEmpty()) choice.given << QLatin1String(option.name);
    // Every occurrence must be valid; the last one counts.
    for (const QString& value : values) {
      Reading reading = option.read(option.name, value);
      if (auto* problem = std::get_if<QString>(&reading)) {
        return QStringLiteral("--%1: %2").arg(QLatin1String(option.name), *problem);
      }
      choice.overrides.push_back(std::get<Override>(std::move(reading)));
    }
  }
  return std::nullopt;
}

std::optional<QString> CorrectionChoice::ApplyTo(CorrectionParameters& correction) const {
  for (const Override& apply : overrides) apply(correction);
  for (const auto& [kind, files] : {std::pair{QStringLiteral("flat"), &correction.flat},
                                    std::pair{QStringLiteral("dark"), &correction.dark}}) {
    const QStringList needing = NeedingFiles(given, kind);
    if (needing.isEmpty()) continue;
    if (files->pattern.empty()) {
      return QStringLiteral("--%1: there is no %2 field; give --%2 PATTERN")
          .arg(needing.first(), kind);
    }
    for (const QString& name : needing) {
      if (name.startsWith(kind + '-') && IsPlainName(files->pattern)) {
        return QStringLiteral(
                   "--%1: \"%2\" is a plain file name; --%3-first and --%3-count "
                   "take a pattern with one integer field")
            .arg(name, NameToText(files->pattern), kind);
      }
    }
  }
  return std::nullopt;
}

}  // namespace projconv
