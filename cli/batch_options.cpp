#include "cli/batch_options.h"

#include <QCommandLineParser>
#include <array>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "cli/exit_status_table.h"
#include "containers/output_formats.h"
#include "engine/parameter_table.h"
#include "form/number_text.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

using S = ConversionParameters;

// Options are read by the dialog's rules, but strictly: the whole argument
// must be the number. The dialog's edits forgive blanks around a number; in a
// shell argument a blank is a quoting slip, better named than taken.
std::optional<std::int32_t> Whole(const QString& text) {
  return TextToInt(text.toStdString(), Blanks::Refused);
}
std::optional<float> Real(const QString& text) {
  return TextToFloat(text.toStdString(), Blanks::Refused);
}

// More threads than this cannot help a single image of at most 2^31 rows
// split in stretches; the limit keeps a typo from starting thousands.
constexpr int kMaxThreads = 64;

// A value read into an override, or what is wrong with it.
using ValueReading = std::variant<SettingsOverride, QString>;

// An option with a value that overrides one or more parameters.
struct ValueOption {
  const char* name;
  const char* valueName;
  const char* description;
  std::function<ValueReading(const QString&)> read;
};

std::function<ValueReading(const QString&)> Text(std::string S::*member) {
  return [member](const QString& value) -> ValueReading {
    // An empty folder would put the files at the root of the file system.
    if (value.isEmpty()) return QStringLiteral("the value is empty");
    return [member, text = NameOfText(value)](S& s) { s.*member = text; };
  };
}

std::function<ValueReading(const QString&)> Integer(std::int32_t S::*member) {
  return [member](const QString& value) -> ValueReading {
    const auto number = Whole(value);
    if (!number)
      return QStringLiteral("\"%1\" is not a whole number in the 32-bit range").arg(value);
    return [member, n = *number](S& s) { s.*member = n; };
  };
}

// Several whole numbers joined by `separator`, such as 512x512 or 0,0,512,512.
std::function<ValueReading(const QString&)> Integers(std::vector<std::int32_t S::*> members,
                                                     QChar separator, const char* form) {
  return [members, separator, form](const QString& value) -> ValueReading {
    const QStringList parts = value.split(separator);
    std::vector<std::int32_t> numbers;
    for (const QString& part : parts) {
      if (const auto number = Whole(part)) numbers.push_back(*number);
    }
    if (parts.size() != qsizetype(members.size()) || numbers.size() != members.size()) {
      return QStringLiteral("\"%1\" is not %2 with whole numbers in the 32-bit range")
          .arg(value, QLatin1String(form));
    }
    return [members, numbers](S& s) {
      for (std::size_t i = 0; i < members.size(); ++i) s.*members[i] = numbers[i];
    };
  };
}

std::function<ValueReading(const QString&)> Float(float S::*member) {
  return [member](const QString& value) -> ValueReading {
    const auto number = Real(value);
    if (!number) return QStringLiteral("\"%1\" is not a finite number").arg(value);
    return [member, f = *number](S& s) { s.*member = f; };
  };
}

template <typename Choice>
std::function<ValueReading(const QString&)> OneOf(Choice S::*member, const char* zero,
                                                  const char* one) {
  return [=](const QString& value) -> ValueReading {
    if (value != QLatin1String(zero) && value != QLatin1String(one)) {
      return QStringLiteral("\"%1\" is neither %2 nor %3")
          .arg(value, QLatin1String(zero), QLatin1String(one));
    }
    return [member, n = Choice(value == QLatin1String(one) ? 1 : 0)](S& s) { s.*member = n; };
  };
}

// How the option's value is read into the parameters it sets.
std::function<ValueReading(const QString&)> Reader(
    const ParameterOption& option, const std::vector<const ParameterDescriptor*>& rows) {
  if (rows.size() > 1) {
    std::vector<std::int32_t S::*> members;
    for (const ParameterDescriptor* row : rows) {
      members.push_back(std::get<std::int32_t S::*>(row->member));
    }
    return Integers(members, QLatin1Char(option.separator), option.valueName);
  }
  const ParameterDescriptor& row = *rows.front();
  return std::visit(
      [&row](auto member) -> std::function<ValueReading(const QString&)> {
        using T = std::remove_cvref_t<decltype(std::declval<S&>().*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return Text(member);
        } else if constexpr (std::is_same_v<T, float>) {
          return Float(member);
        } else if constexpr (std::is_enum_v<T>) {
          return OneOf(member, row.choices[0].name, row.choices[1].name);
        } else {
          return Integer(member);
        }
      },
      row.member);
}

const std::vector<ValueOption>& ValueOptions() {
  static const std::vector<ValueOption> options = [] {
    std::vector<ValueOption> made;
    for (std::size_t i = 0; i < kParameterOptions.size(); ++i) {
      const ParameterOption& option = kParameterOptions[i];
      made.push_back({option.name, option.valueName, option.description,
                      Reader(option, ParametersOfOption(int(i)))});
    }
    return made;
  }();
  return options;
}

// The choices projconv-batch takes as a flag for each of their two values.
std::vector<const ParameterDescriptor*> FlagChoices() {
  return ParametersOfOption(-1);
}

void DefineOptions(QCommandLineParser& parser) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QStringLiteral(
      "Converts one numbered sequence of raw projection images into headerless 16-bit files."));
  parser.addOption({QStringLiteral("settings"),
                    QStringLiteral("Take the parameters from this settings file; keys it lacks "
                                   "take their defaults."),
                    QStringLiteral("FILE")});
  parser.addOption({QStringLiteral("defaults"),
                    QStringLiteral("Start from the built-in defaults instead of the desktop "
                                   "program's settings.")});
  for (const ValueOption& option : ValueOptions()) {
    parser.addOption({QLatin1String(option.name), QLatin1String(option.description),
                      QLatin1String(option.valueName)});
  }
  for (const ParameterDescriptor* choice : FlagChoices()) {
    for (const ChoiceName& flag : choice->choices) {
      parser.addOption({QLatin1String(flag.name), QLatin1String(flag.flagHelp)});
    }
  }
  DefineCorrectionOptions(parser);
  parser.addOption({QStringLiteral("preview"),
                    QStringLiteral("Convert nothing: draw the first input file with the crop "
                                   "window and the centre of rotation over it, beside the image "
                                   "the batch writes first, into FILE as a PNG picture."),
                    QStringLiteral("FILE")});
  DefineOutputOptions(parser);
  DefineSequenceOptions(parser);
  DefineProbeOption(parser);
  parser.addOption({QStringLiteral("threads"),
                    QStringLiteral("Threads that convert each image, 1 to 64; by default one per "
                                   "processor this program may run on. The output is the same "
                                   "for any number."),
                    QStringLiteral("N")});
  parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")},
                    QStringLiteral("No progress, no summary and no message at the normal end of a "
                                   "sequence that converted files; errors are still shown.")});
  parser.addOption(
      {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")});
  parser.addOption({QStringLiteral("version"), QStringLiteral("Show the version and exit.")});
}

std::optional<UsageError> ReadValues(const QCommandLineParser& parser, BatchOptions& options) {
  for (const ValueOption& option : ValueOptions()) {
    // Every occurrence must be valid; the last one counts.
    for (const QString& value : parser.values(QLatin1String(option.name))) {
      ValueReading reading = option.read(value);
      if (auto* problem = std::get_if<QString>(&reading)) {
        return UsageError{QStringLiteral("--%1: %2").arg(QLatin1String(option.name), *problem)};
      }
      options.overrides.push_back(std::get<SettingsOverride>(std::move(reading)));
    }
  }
  return std::nullopt;
}

std::optional<UsageError> ReadFlags(const QCommandLineParser& parser, BatchOptions& options) {
  for (const ParameterDescriptor* choice : FlagChoices()) {
    const QLatin1String zero(choice->choices[0].name);
    const QLatin1String one(choice->choices[1].name);
    if (parser.isSet(zero) && parser.isSet(one)) {
      return UsageError{QStringLiteral("--%1 and --%2 exclude each other").arg(zero, one)};
    }
    if (parser.isSet(zero) || parser.isSet(one)) {
      options.overrides.push_back([member = choice->member, n = parser.isSet(one) ? 1 : 0](S& s) {
        std::visit(
            [&](auto m) {
              using T = std::remove_cvref_t<decltype(s.*m)>;
              if constexpr (std::is_enum_v<T>) s.*m = T(n);
            },
            member);
      });
    }
  }
  options.quiet = parser.isSet(QStringLiteral("quiet"));
  if (parser.isSet(QStringLiteral("threads"))) {
    const auto threads = Whole(parser.value(QStringLiteral("threads")));
    if (!threads || *threads < 1 || *threads > kMaxThreads) {
      return UsageError{QStringLiteral("--threads: \"%1\" is not a number from 1 to %2")
                            .arg(parser.value(QStringLiteral("threads")))
                            .arg(kMaxThreads)};
    }
    options.threads = *threads;
  }
  if (parser.isSet(QStringLiteral("preview"))) {
    options.previewFile = parser.value(QStringLiteral("preview"));
    if (options.previewFile.isEmpty()) {
      return UsageError{QStringLiteral("--preview: the file name is empty")};
    }
  }
  return std::nullopt;
}

// After the values and flags: what they say of the layout narrows the probe.
std::optional<UsageError> ReadProbe(const QCommandLineParser& parser, BatchOptions& options) {
  ConversionParameters given;
  options.ApplyOverrides(given);
  if (auto problem = ReadProbeOption(parser, given, options.probe)) return UsageError{*problem};
  return std::nullopt;
}

std::optional<UsageError> ReadSource(const QCommandLineParser& parser, BatchOptions& options) {
  const bool named = parser.isSet(QStringLiteral("settings"));
  if (named && parser.isSet(QStringLiteral("defaults"))) {
    return UsageError{QStringLiteral("--settings and --defaults exclude each other")};
  }
  if (named) {
    options.source = SettingsSource::NamedFile;
    options.settingsFile = parser.value(QStringLiteral("settings"));
    if (options.settingsFile.isEmpty()) {
      return UsageError{QStringLiteral("--settings: the file name is empty")};
    }
  } else if (parser.isSet(QStringLiteral("defaults"))) {
    options.source = SettingsSource::Defaults;
  }
  return std::nullopt;
}

// "raw or tiff": the --out-type names of the formats `pick` holds for.
QString NamesWhere(bool (*pick)(const OutputFormat&)) {
  return QString::fromStdString(ListedNames(", ", " or ", pick));
}

}  // namespace

void BatchOptions::ApplyOverrides(ConversionParameters& settings) const {
  for (const SettingsOverride& apply : overrides) apply(settings);
}

ParsedArguments ParseBatchArguments(const QStringList& arguments,
                                    const EnvironmentLookup& environment) {
  QCommandLineParser parser;
  DefineOptions(parser);
  if (!parser.parse(arguments)) return UsageError{parser.errorText()};
  if (parser.isSet(QStringLiteral("help"))) return InfoRequest::Help;
  if (parser.isSet(QStringLiteral("version"))) return InfoRequest::Version;
  if (!parser.positionalArguments().isEmpty()) {
    return UsageError{
        QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first())};
  }

  BatchOptions options;
  for (auto read : {ReadSource, ReadValues, ReadFlags, ReadProbe}) {
    if (auto error = read(parser, options)) return *error;
  }
  if (auto problem = ReadOutputOptions(parser, options.output)) return UsageError{*problem};
  if (auto problem = ReadCorrectionOptions(parser, options.correction)) {
    return UsageError{*problem};
  }
  if (auto problem = ReadSequenceOptions(parser, environment, options.sequence)) {
    return UsageError{*problem};
  }
  if (options.sequence.span.keepExisting && !WritesRawFiles(options.output.type)) {
    // Only a headerless file's size tells that it is whole.
    return UsageError{QStringLiteral("--skip-existing: only %1 output files can be kept")
                          .arg(NamesWhere([](const OutputFormat& f) { return f.rawFiles; }))};
  }
  if (options.sequence.shard && IsSingleFile(options.output.type)) {
    // Each task would make the one file anew over the others' images.
    return UsageError{QStringLiteral("--shard: the shards of a sequence cannot share one "
                                     "--out-file; use --out-type %1, or a run without --shard "
                                     "for each file")
                          .arg(NamesWhere([](const OutputFormat& f) { return !f.singleFile; }))};
  }
  return options;
}

QString BatchHelpText() {
  QCommandLineParser parser;
  DefineOptions(parser);
  // No indented line may start with a dash, nor any line end in a colon, but
  // for the options and the heading: the manual page is made from this text.
  return parser.helpText() + QStringLiteral(R"(
The parameters come from --settings FILE, or the built-in defaults with
--defaults; otherwise from the desktop program's settings file
($XDG_CONFIG_HOME/projconv.ini, else ~/.config/projconv.ini) when it exists,
and the built-in defaults when it does not. The options for single parameters
then override them.

Messages go to standard error as "Caption: text". A file that ends the batch
for a reason the system gives is followed by that reason on a line of its own,
such as "Info: Reason: Permission denied". On a terminal a progress line shows
the files written, images per second and megabytes read plus written per
second, and, once the input files that follow one another from the first number
have been counted, how many there are and the time left; otherwise only a
summary line is printed at the end.

Folders, patterns and file names are used as the bytes they are given as, on
the command line and in the settings file, UTF-8 or not.

With --probe FILE nothing is converted and no settings are read. Standard
output gets the layouts that read FILE as the smoothest pictures, best first,
one per line, each as the options that read it so, which projconv-batch takes
as they are; standard error gets their scores, lower for smoother pictures
(noise scores about 1). A file that reads as noise in every layout gets none.
A layout's samples end where the file does, unless --in-size and --header-len
are both given.

Exit status:
)") + QString::fromStdString(ExitStatusHelpTable());
}

}  // namespace projconv
