#include "cli/batch_report_text.h"

#include <cstdio>

#include "cli/terminal_text.h"

namespace projconv {

namespace {

double PerSecond(double amount, double seconds) {
  return seconds > 0.0 ? amount / seconds : 0.0;
}

std::string Printed(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

std::string Counted(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ProgressText(std::int64_t filesWritten, double seconds, double bytesPerImage) {
  const double files = static_cast<double>(filesWritten);
  return Counted(filesWritten, "file", "files") +
         Printed(" written, %.1f images/s, %.1f MB/s read+written", PerSecond(files, seconds),
                 PerSecond(files * bytesPerImage / 1e6, seconds));
}

std::string SummaryText(std::int64_t filesWritten, double seconds, const std::string& destination,
                        bool interrupted, std::int64_t samplesWrapped, std::int64_t filesKept) {
  std::string text = std::string("projconv-batch: ") + (interrupted ? "interrupted, " : "") +
                     Counted(filesWritten, "file", "files") +
                     Printed(" written in %.2f s (%.1f images/s) to ", seconds,
                             PerSecond(static_cast<double>(filesWritten), seconds)) +
                     destination;
  if (samplesWrapped > 0) {
    text += "; " + Counted(samplesWrapped, "sample", "samples") + " wrapped to 16 bits";
  }
  if (filesKept > 0) text += "; " + Counted(filesKept, "existing file", "existing files") + " kept";
  return text;
}

std::string MessageLines(const std::string& caption, const std::string& text,
                         const std::string& reason) {
  const std::string underneath = "\n" + reason;
  const bool split = !reason.empty() && text.ends_with(underneath);
  const std::string head = split ? text.substr(0, text.size() - underneath.size()) : text;
  std::string lines = caption + ": " + TerminalText(head) + "\n";
  if (split) lines += caption + ": Reason: " + TerminalText(reason) + "\n";
  return lines;
}

}  // namespace projconv
