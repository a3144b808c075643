#include "cli/output_options.h"

#include <string>
#include <vector>

#include "containers/output_formats.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

QString Names(std::string_view separator, std::string_view last,
              bool (*pick)(const OutputFormat&) = nullptr) {
  return QString::fromStdString(ListedNames(separator, last, pick));
}

// "raw (headerless files, the default), tiff (...), tiff-stack or hdf5 (...)":
// a format with no words of its own shares the next one's.
QString FormatsTold() {
  std::vector<std::string> told;
  std::string waiting;
  for (const OutputFormat& format : OutputFormats()) {
    waiting += (waiting.empty() ? "" : " or ") + std::string(format.name);
    if (format.help.empty()) continue;
    told.push_back(waiting + " (" + std::string(format.help) + ")");
    waiting.clear();
  }
  if (!waiting.empty()) told.push_back(waiting);
  return QString::fromStdString(Listed(told, ", ", ", "));
}

}  // namespace

void DefineOutputOptions(QCommandLineParser& parser) {
  parser.addOption({QStringLiteral("out-type"),
                    QStringLiteral("What the output images are written as: %1.").arg(FormatsTold()),
                    Names("|", "|")});
  parser.addOption(
      {QStringLiteral("out-file"),
       QStringLiteral("The file of a %1 output. It is written as PATH.partial, locked against a "
                      "second batch, and renamed to PATH when the batch ends.")
           .arg(Names(", ", " or ", [](const OutputFormat& f) { return f.singleFile; })),
       QStringLiteral("PATH")});
  parser.addOption({QStringLiteral("sidecar"),
                    QStringLiteral("At the end of the batch, whatever the end, write STEM.json "
                                   "(every parameter, the output, the files written, how the "
                                   "batch ended, the samples wrapped to 16 bits) and, for raw "
                                   "output, STEM.mhd, a MetaImage header over the whole "
                                   "sequence. A folder of STEM that cannot be written to ends "
                                   "the batch before it converts anything."),
                    QStringLiteral("STEM")});
}

std::optional<QString> ReadOutputOptions(const QCommandLineParser& parser, OutputChoice& choice) {
  if (parser.isSet(QStringLiteral("out-type"))) {
    const QString name = parser.value(QStringLiteral("out-type"));
    const std::optional<OutputType> type = OutputTypeNamed(name.toStdString());
    if (!type) {
      return QStringLiteral("--out-type: \"%1\" is none of %2").arg(name, Names(", ", ", "));
    }
    choice.type = *type;
  }
  const bool named = parser.isSet(QStringLiteral("out-file"));
  choice.file = NameOfText(parser.value(QStringLiteral("out-file")));
  if (IsSingleFile(choice.type) && (!named || choice.file.empty())) {
    return QStringLiteral("--out-file: %1 output goes to one file, which it names")
        .arg(QString::fromUtf8(OutputTypeName(choice.type)));
  }
  if (!IsSingleFile(choice.type) && named) {
    return QStringLiteral("--out-file: %1 output is a file per image; there is no one file")
        .arg(QString::fromUtf8(OutputTypeName(choice.type)));
  }
  if (parser.isSet(QStringLiteral("sidecar"))) {
    choice.sidecar = NameOfText(parser.value(QStringLiteral("sidecar")));
    if (choice.sidecar.empty()) return QStringLiteral("--sidecar: the stem is empty");
  }
  return std::nullopt;
}

}  // namespace projconv
