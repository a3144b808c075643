// projconv-batch: converts one sequence of raw projection images without a
// window, with the desktop program's settings and engine.

#include <QCoreApplication>
#include <cstdio>
#include <variant>

#include "cli/base_settings.h"
#include "cli/batch_options.h"
#include "cli/conversion_run.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/preview_picture.h"
#include "cli/probe_run.h"
#include "cli/terminal_text.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

// Names in the text go out as the bytes they were given as.
void PrintLines(std::FILE* stream, const QString& text) {
  std::fputs(TerminalText(NameOfText(text)).c_str(), stream);
  std::fflush(stream);
}

// Qt decodes the command line as UTF-8 and makes every other byte U+FFFD, so
// a folder such as "d\xe9" would name another one; decoded here instead, each
// such byte is kept (settings/name_text.h) and every option that becomes a
// path turns it back into the byte. QCoreApplication has taken its own
// arguments out of argv by now.
QStringList ArgumentsOf(int argc, char* argv[]) {
  QStringList arguments;
  for (int k = 0; k < argc; ++k) arguments << NameToText(argv[k]);
  return arguments;
}

int ReportUsageError(const UsageError& error) {
  PrintLines(stderr, QStringLiteral("projconv-batch: %1\n"
                                    "Try 'projconv-batch --help' for more information.\n")
                         .arg(error.message));
  return kExitUsage;
}

int Answer(InfoRequest request) {
  if (request == InfoRequest::Help) {
    PrintLines(stdout, BatchHelpText());
  } else {
    PrintLines(stdout, QStringLiteral("projconv-batch " PROJCONV_VERSION "\n"));
  }
  return 0;
}

int Convert(const BatchOptions& options) {
  if (!options.probe.file.isEmpty()) return RunProbe(options.probe);  // reads no settings
  BaseSettings base = LoadBaseSettings(options);
  if (!base.problems.isEmpty()) {
    for (const QString& problem : base.problems) PrintLines(stderr, "Error: " + problem + "\n");
    return kExitRefused;
  }
  options.ApplyOverrides(base.settings);
  if (auto problem = options.correction.ApplyTo(base.correction)) {
    return ReportUsageError(UsageError{*problem});
  }
  if (!options.previewFile.isEmpty())
    return WritePreviewPicture(base.settings, options.sequence.span, options.previewFile,
                               options.quiet, base.correction);
  return RunConversion(base.settings, options.quiet, options.threads, options.output,
                       options.sequence, base.correction);
}

}  // namespace

}  // namespace projconv

int main(int argc, char* argv[]) {
  using namespace projconv;
  IgnoreSignalsOfFailedWrites();
  const QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("projconv-batch"));
  QCoreApplication::setApplicationVersion(QStringLiteral(PROJCONV_VERSION));

  const ParsedArguments parsed = ParseBatchArguments(ArgumentsOf(argc, argv));
  if (const auto* error = std::get_if<UsageError>(&parsed)) return ReportUsageError(*error);
  if (const auto* request = std::get_if<InfoRequest>(&parsed)) return Answer(*request);
  return Convert(std::get<BatchOptions>(parsed));
}
