#include "cli/conversion_run.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>

#include "cli/batch_report_text.h"
#include "cli/console_reporter.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/terminal_text.h"
#include "containers/output_sink.h"
#include "containers/sidecar.h"
#include "engine/projection_job.h"
#include "preview/sequence_forecast.h"

namespace projconv {

namespace {

// Nominal bytes moved per image: the part of an input file that is read plus
// the output file. Only for the MB/s figure.
double BytesPerImage(const ProjectionJob& job) {
  const double samples = static_cast<double>(job.inSizeX) * static_cast<double>(job.inSizeY);
  const double sampleBytes = job.sampleType == SampleType::Float32 ? 4.0 : 2.0;
  const double out = 2.0 * static_cast<double>(job.outSizeX) * static_cast<double>(job.outSizeY);
  return static_cast<double>(job.headerLen) + sampleBytes * samples + out;
}

// --quiet leaves out the message at the normal end of a sequence, but not when
// nothing was converted at all: a mistyped folder must not pass unnoticed.
bool ShowsMessages(const BatchResult& result, bool quiet) {
  return !quiet || result.end != BatchEnd::InputMissing || result.filesWritten == 0;
}

}  // namespace

int RunConversion(const ConversionParameters& settings, bool quiet, int threads,
                  const OutputChoice& output) {
  ProjectionJob job;
  job.SetParameters(settings);
  job.workerThreads = threads;
  // Closed before the summary: every image is in the file by then.
  std::unique_ptr<ImageSink> sink =
      MakeOutputSink(output, settings, ExpectedOutputBytes(settings),
                     QCoreApplication::applicationVersion().toStdString());
  job.imageSink = sink.get();
  const bool drawProgress = !quiet && ::isatty(STDERR_FILENO) == 1;
  ConsoleReporter reporter(drawProgress, BytesPerImage(job));
  job.dialog = &reporter;
  SequenceCounter forecast;  // counted alongside the batch, for the progress line only
  if (drawProgress) {
    forecast.Start(job.inFolder, job.inFormat, job.startNumber);
    reporter.SetForecast(&forecast);
  }

  job.ClearStop();
  InstallStopOnSignal(*job.stopFlag);
  const BatchResult result = job.RunBatchWithResult();
  const double seconds = reporter.SecondsSinceStart();
  job.imageSink = nullptr;
  sink.reset();
  reporter.ClearProgress();

  if (ShowsMessages(result, quiet)) {
    for (const auto& [caption, text] : reporter.messages()) {
      std::fprintf(stderr, "%s: %s\n", caption.c_str(), TerminalText(text).c_str());
    }
  }
  if (!quiet && result.end != BatchEnd::Refused) {
    const std::string& destination = IsSingleFile(output.type) ? output.file : job.outFolder;
    const std::string summary = SummaryText(result.filesWritten, seconds, destination,
                                            result.end == BatchEnd::Stopped, result.samplesWrapped);
    std::fprintf(stderr, "%s\n", TerminalText(summary).c_str());
  }
  const int status = ExitCodeFor(result.end, result.filesWritten);
  const BatchRecord record{QCoreApplication::applicationVersion().toStdString(), settings, output,
                           result};
  if (const std::optional<std::string> failed = WriteSidecar(record)) {
    // Even under --quiet: a pipeline that reads the sidecar must learn why
    // it is not there.
    std::fprintf(stderr, "projconv-batch: %s\n", TerminalText(*failed).c_str());
    return status == kExitConverted ? kExitFileFailed : status;
  }
  return status;
}

}  // namespace projconv
