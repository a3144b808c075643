#include "cli/conversion_run.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <limits>
#include <optional>

#include "cli/batch_report_text.h"
#include "cli/console_reporter.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/sidecar_folder.h"
#include "cli/terminal_text.h"
#include "containers/correction_record.h"
#include "containers/output_formats.h"
#include "containers/output_sink.h"
#include "containers/sidecar.h"
#include "engine/projection_job.h"
#include "engine/sequence_count.h"

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
  return !quiet || result.end != BatchEnd::InputMissing ||
         result.filesWritten + result.filesKept == 0;
}

// The span the batch converts: a shard's share of the inputs there are now,
// counted to the end rather than only as far as the forecast looks. Says so
// when the span is empty, which is no failure (more tasks than files), but
// must not pass for a run that found nothing to do.
SequenceSpan SpanToConvert(const ConversionParameters& settings, const SequenceChoice& sequence) {
  if (sequence.span.limit == 0) {
    std::fprintf(stderr, "projconv-batch: --count 0: no input file is converted\n");
    return sequence.span;
  }
  if (!sequence.shard) return sequence.span;
  const SequenceCount count =
      CountConsecutiveInputs(settings.inFolder, settings.inFormat, settings.startNumber,
                             std::numeric_limits<std::int64_t>::max());
  const SequenceSpan span = ShardSpan(sequence.span, *sequence.shard, count.files);
  if (span.limit == 0) {
    std::fprintf(stderr, "projconv-batch: shard %lld/%lld of %s holds none\n",
                 static_cast<long long>(sequence.shard->index),
                 static_cast<long long>(sequence.shard->count),
                 Counted(count.files, "input file", "input files").c_str());
  }
  return span;
}

void PrintMessagesAndSummary(const ConsoleReporter& reporter, const BatchResult& result, bool quiet,
                             const std::string& destination, double seconds) {
  if (ShowsMessages(result, quiet)) {
    for (const auto& [caption, text] : reporter.messages()) {
      std::fputs(MessageLines(caption, text, result.reason).c_str(), stderr);
    }
  }
  if (!quiet && result.end != BatchEnd::Refused) {
    const std::string summary =
        SummaryText(result.filesWritten, seconds, destination, result.end == BatchEnd::Stopped,
                    result.samplesWrapped, result.filesKept);
    std::fprintf(stderr, "%s\n", TerminalText(summary).c_str());
  }
}

struct BatchRun {
  BatchResult result;
  double seconds;  // until the last image, the closing of the one output file left out
};

BatchRun RunBatch(ProjectionJob& job, ConsoleReporter& reporter, const OutputChoice& output,
                  const SequenceChoice& sequence, bool drawProgress) {
  const ConversionParameters& settings = job;
  job.batch.span = SpanToConvert(settings, sequence);
  // Closed before the summary: every image is in the file by then. A
  // followed scan has no size yet: its stack is made for any.
  const std::uint64_t expected = job.batch.span.followSeconds >= 0
                                     ? std::numeric_limits<std::uint64_t>::max()
                                     : ExpectedOutputBytes(settings);
  std::unique_ptr<ImageSink> sink = MakeOutputSink(
      output, settings, expected, QCoreApplication::applicationVersion().toStdString(),
      job.batch.span.outStart + job.batch.span.skip, job.correction);
  job.batch.sink = sink.get();
  job.dialog = &reporter;
  SequenceCounter forecast;  // counted alongside the batch, for the progress line only
  if (drawProgress) {
    forecast.Start(job.inFolder, job.inFormat, job.startNumber);
    reporter.SetForecast(&forecast);
  }

  job.ClearStop();
  InstallStopOnSignal(job.stopFlag());
  const BatchResult result = job.RunBatchWithResult();
  const double seconds = reporter.SecondsSinceStart();
  job.batch.sink = nullptr;
  job.dialog = nullptr;
  reporter.SetForecast(nullptr);
  return {result, seconds};
}

// Writes the sidecar of the batch that ended with `status`, and returns the
// program's status.
int WithSidecar(const BatchRecord& record, int status) {
  // Even under --quiet: a pipeline that reads the sidecar must learn why
  // it is not there.
  const SidecarOutcome sidecar = WriteSidecar(record);
  for (const std::string& text : {sidecar.failure, sidecar.leftOut}) {
    if (!text.empty()) std::fprintf(stderr, "projconv-batch: %s\n", TerminalText(text).c_str());
  }
  // A header left out for its names is no failure: the conversion and its
  // record are whole, and a rerun with the same names would leave it out again.
  if (!sidecar.failure.empty() && status == kExitConverted) return kExitFileFailed;
  return status;
}

}  // namespace

int RunConversion(const ConversionParameters& settings, bool quiet, int threads,
                  const OutputChoice& output, const SequenceChoice& sequence,
                  const CorrectionParameters& correction) {
  ProjectionJob job;
  job.SetParameters(settings);
  // The files counted once, here: the batch reads the very files its
  // record names, even while more are being written.
  job.correction = WithCountsFixed(correction, settings.inFolder);
  job.batch.workerThreads = threads;
  const bool drawProgress = !quiet && ::isatty(STDERR_FILENO) == 1;
  ConsoleReporter reporter(drawProgress, BytesPerImage(job));
  reporter.SetJsonProgress(sequence.jsonProgress);

  const std::optional<BatchResult> sidecarRefused = SidecarFolderProblem(output.sidecar);
  if (sidecarRefused) reporter.ShowMessage(SidecarFolderMessage(*sidecarRefused), "Info");
  const BatchRun run = sidecarRefused ? BatchRun{*sidecarRefused, reporter.SecondsSinceStart()}
                                      : RunBatch(job, reporter, output, sequence, drawProgress);
  const BatchResult& result = run.result;
  reporter.ClearProgress();

  PrintMessagesAndSummary(reporter, result, quiet,
                          IsSingleFile(output.type) ? output.file : job.outFolder, run.seconds);
  int status = ExitCodeFor(result.end, result.filesWritten + result.filesKept);
  if (!sidecarRefused) {
    status = WithSidecar({QCoreApplication::applicationVersion().toStdString(), settings, output,
                          result, job.batch.span, job.correction},
                         status);
  }
  if (sequence.jsonProgress) reporter.PrintEnd(result, status);
  return status;
}

}  // namespace projconv
