#include "cli/probe_options.h"

namespace projconv {

void DefineProbeOption(QCommandLineParser& parser) {
  parser.addOption(
      {QStringLiteral("probe"),
       QStringLiteral("Convert nothing: print the layouts that read FILE as the smoothest "
                      "pictures, best first, one per line as the options that read it so; "
                      "their scores go to standard error (lower is better; about 1 is noise). "
                      "--in-size, --header-len, --type, --byte-order, --signed and --unsigned "
                      "narrow the search; no settings are read."),
       QStringLiteral("FILE")});
}

std::optional<QString> ReadProbeOption(const QCommandLineParser& parser,
                                       const ConversionParameters& given, ProbeRequest& request) {
  if (!parser.isSet(QStringLiteral("probe"))) return std::nullopt;
  request.file = parser.value(QStringLiteral("probe"));
  if (request.file.isEmpty()) return QStringLiteral("--probe: the file name is empty");
  for (const char* other : {"settings", "preview"}) {
    if (parser.isSet(QLatin1String(other))) {
      return QStringLiteral("--probe and --%1 exclude each other").arg(QLatin1String(other));
    }
  }
  KnownLayout& known = request.known;
  if (parser.isSet(QStringLiteral("in-size"))) {
    known.width = given.inSizeX;
    known.height = given.inSizeY;
  }
  if (parser.isSet(QStringLiteral("header-len"))) known.headerLen = given.headerLen;
  if (parser.isSet(QStringLiteral("type"))) known.sampleType = given.sampleType;
  if (parser.isSet(QStringLiteral("byte-order"))) known.byteOrder = given.byteOrder;
  if (parser.isSet(QStringLiteral("signed")) || parser.isSet(QStringLiteral("unsigned"))) {
    known.signedness = given.signedness;
  }
  return std::nullopt;
}

}  // namespace projconv
