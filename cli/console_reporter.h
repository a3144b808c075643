#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"

namespace projconv {

class SequenceCounter;

// Reports a batch on the console. Messages are kept until the batch has ended,
// when it is known whether the one that ended it is worth showing; progress is
// drawn as one line that rewrites itself, at most ten times a second.
class ConsoleReporter : public BatchReporter {
 public:
  struct Message {
    std::string caption;
    std::string text;
  };

  // `drawProgress`: whether to keep a progress line on standard error, which
  // should then be a terminal. `bytesPerImage`: input plus output bytes of one
  // image, for the MB/s figure.
  ConsoleReporter(bool drawProgress, double bytesPerImage);

  // Adds the sequence's length and the time left to the progress line once
  // `counter` has counted; it must outlive the batch.
  void SetForecast(const SequenceCounter* counter) { forecast_ = counter; }

  // --progress json: a line on standard output for each file done.
  void SetJsonProgress(bool on) { jsonProgress_ = on; }
  // The last JSON line, once the exit status is known; none once standard
  // output has been closed.
  void PrintEnd(const BatchResult& result, int exitStatus) const;

  void ShowMessage(const std::string& text, const std::string& caption) override;
  void PostProgress(std::int32_t fileNumber) override;
  void ReportFileDone(const FileDone& file) override;

  // Removes the progress line so that the next output starts on a clean line.
  void ClearProgress();

  const std::vector<Message>& messages() const { return messages_; }
  double SecondsSinceStart() const;

 private:
  using Clock = std::chrono::steady_clock;

  bool drawProgress_;
  double bytesPerImage_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastDrawn_{};
  bool lineShown_ = false;
  bool jsonProgress_ = false;
  std::int64_t filesDone_ = 0;
  const SequenceCounter* forecast_ = nullptr;
  std::vector<Message> messages_;
};

}  // namespace projconv
