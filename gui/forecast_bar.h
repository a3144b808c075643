#pragma once

// The progress bar beside the progress edit: "n of N" with images per second
// and time left while a batch runs, hidden otherwise. N is a forecast,
// counted on a thread of its own when the batch starts from the input files
// that exist one after another; the batch still ends where it ends.

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/sequence_count.h"

namespace projconv {

class ForecastBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit ForecastBar(QWidget* parent);

  // A batch starts reading `format` files in `folder` from `start` on.
  void Start(const std::string& folder, const std::string& format, std::int32_t start);
  // The batch has written output file `fileNumber` (0 for its first).
  void Advance(std::int32_t fileNumber);
  // The batch has come to its end (its last message may still be open):
  // the figures stay as they were at the last file written.
  void Stop();
  // The window is closing and waits for the image in progress.
  void ShowFinishing();
  // The batch is over.
  void Finish();

 protected:
  bool event(QEvent* event) override;

 private:
  void ShowProgress();

  SequenceCounter counter_;
  std::optional<SequenceCount> total_;
  std::uint64_t batch_ = 0;  // counts batches, so that a late count is known
  std::int64_t done_ = 0;
  QElapsedTimer clock_;
  double lastFileSeconds_ = 0.0;          // when the last file was written
  std::optional<double> stoppedSeconds_;  // the time the figures keep once stopped
  bool finishing_ = false;                // the window waits to close: no figures
  QTimer tick_;                           // time left moves on between images too
};

}  // namespace projconv
