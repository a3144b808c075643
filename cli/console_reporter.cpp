#include "cli/console_reporter.h"

#include <cstdio>

#include "cli/batch_report_text.h"
#include "cli/forecast_progress.h"
#include "cli/json_progress.h"
#include "engine/sequence_count.h"

namespace projconv {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr char kStartOfCleanLine[] = "\r\033[K";  // carriage return, erase to end of line

}  // namespace

ConsoleReporter::ConsoleReporter(bool drawProgress, double bytesPerImage)
    : drawProgress_(drawProgress), bytesPerImage_(bytesPerImage) {}

void ConsoleReporter::ShowMessage(const std::string& text, const std::string& caption) {
  messages_.push_back({caption, text});
}

void ConsoleReporter::PostProgress(std::int32_t fileNumber) {
  if (!drawProgress_) return;
  const Clock::time_point now = Clock::now();
  if (lineShown_ && now - lastDrawn_ < kRedrawInterval) return;
  lastDrawn_ = now;
  lineShown_ = true;
  const std::int64_t written = std::int64_t{fileNumber} + 1;
  const std::string text =
      forecast_ != nullptr
          ? ForecastProgressText(written, forecast_->Result(), SecondsSinceStart(), bytesPerImage_)
          : ProgressText(written, SecondsSinceStart(), bytesPerImage_);
  std::fprintf(stderr, "%s%s", kStartOfCleanLine, text.c_str());
  std::fflush(stderr);
}

void ConsoleReporter::ReportFileDone(const FileDone& file) {
  ++filesDone_;
  if (!jsonProgress_) return;
  // A line at a time, at once: a dashboard reading the pipe must not wait
  // for a buffer to fill.
  // A reader that went away (a dashboard closed, `| head`) stops the lines,
  // not the conversion.
  if (std::printf("%s\n", FileDoneJson(file, filesDone_, SecondsSinceStart()).c_str()) < 0 ||
      std::fflush(stdout) != 0) {
    jsonProgress_ = false;
  }
}

void ConsoleReporter::PrintEnd(const BatchResult& result, int exitStatus) const {
  if (!jsonProgress_) return;
  std::printf("%s\n", EndJson(result, exitStatus).c_str());
  std::fflush(stdout);
}

void ConsoleReporter::ClearProgress() {
  if (!lineShown_) return;
  std::fputs(kStartOfCleanLine, stderr);
  std::fflush(stderr);
  lineShown_ = false;
}

double ConsoleReporter::SecondsSinceStart() const {
  return std::chrono::duration<double>(Clock::now() - start_).count();
}

}  // namespace projconv
