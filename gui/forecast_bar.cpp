#include "gui/forecast_bar.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <limits>

#include "engine/forecast_text.h"

namespace projconv {

namespace {

// Under the banner and the top buttons, above the folders.
constexpr QRect kGeometry(8, 68, 474, 17);

const QEvent::Type kCountedEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CountedEvent : public QEvent {
 public:
  CountedEvent(std::uint64_t batch, SequenceCount count)
      : QEvent(kCountedEvent), batch_(batch), count_(count) {}
  std::uint64_t batch() const { return batch_; }
  SequenceCount count() const { return count_; }

 private:
  std::uint64_t batch_;
  SequenceCount count_;
};

int ClampedInt(std::int64_t value) {
  return int(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

ForecastBar::ForecastBar(QWidget* parent) : QProgressBar(parent) {
  setGeometry(kGeometry);
  setFocusPolicy(Qt::NoFocus);
  setAlignment(Qt::AlignCenter);
  setTextVisible(true);
  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, &ForecastBar::ShowProgress);
  // Idle, the bar is neither shown nor reachable.
  setEnabled(false);
  hide();
}

void ForecastBar::Start(const std::string& folder, const std::string& format, std::int32_t start) {
  total_.reset();
  done_ = 0;
  lastFileSeconds_ = 0.0;
  stoppedSeconds_.reset();
  finishing_ = false;
  clock_.start();
  counter_.Start(folder, format, start, [this, batch = ++batch_](SequenceCount count) {
    QCoreApplication::postEvent(this, new CountedEvent(batch, count));
  });
  setEnabled(true);
  show();
  tick_.start();
  ShowProgress();
}

void ForecastBar::Advance(std::int32_t fileNumber) {
  if (!isVisible() || stoppedSeconds_) return;
  done_ = std::int64_t{fileNumber} + 1;
  lastFileSeconds_ = double(clock_.elapsed()) / 1000.0;
  ShowProgress();
}

void ForecastBar::Stop() {
  if (!isVisible() || stoppedSeconds_) return;
  tick_.stop();
  stoppedSeconds_ = done_ > 0 ? lastFileSeconds_ : double(clock_.elapsed()) / 1000.0;
  ShowProgress();
}

void ForecastBar::ShowFinishing() {
  tick_.stop();
  finishing_ = true;
  setFormat(QStringLiteral("Finishing the current image, then closing"));
  setEnabled(true);
  show();
}

void ForecastBar::Finish() {
  tick_.stop();
  setEnabled(false);
  hide();
}

bool ForecastBar::event(QEvent* event) {
  if (event->type() != kCountedEvent) return QProgressBar::event(event);
  // A count that arrives after its batch, or for an earlier one, is dropped.
  const auto* counted = static_cast<CountedEvent*>(event);
  if (isVisible() && counted->batch() == batch_) {
    total_ = counted->count();
    ShowProgress();
  }
  return true;
}

void ForecastBar::ShowProgress() {
  if (finishing_) return;
  const double seconds = stoppedSeconds_.value_or(double(clock_.elapsed()) / 1000.0);
  // Shown as it is: a '%' would start one of the bar's own placeholders.
  QString text = QString::fromStdString(ForecastText(done_, total_, seconds));
  setFormat(text.replace(QLatin1Char('%'), QStringLiteral("%%")));
  const std::int64_t files = total_ ? std::max(total_->files, done_) : 0;
  setRange(0, std::max(ClampedInt(files), 1));
  setValue(ClampedInt(std::min(done_, files)));
}

}  // namespace projconv
