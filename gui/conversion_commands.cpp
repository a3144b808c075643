// The dialog's conversion commands: Convert starts a worker on the job, the
// worker's progress, messages and end arrive as posted events, Cancel and
// closing stop it.

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/projection_job.h"
#include "gui/control_groups.h"
#include "gui/converter_dialog.h"
#include "gui/flat_field_box.h"
#include "gui/forecast_bar.h"
#include "gui/message_box.h"
#include "gui/output_box.h"
#include "gui/worker_events.h"

namespace projconv {

void ConverterDialog::SetThreadStarter(ConversionWorker::ThreadStarter starter) {
  worker_.SetThreadStarter(std::move(starter));
}

void ConverterDialog::OnConvert() {
  // A refused value does not stop Convert: the members go as they stand.
  UpdateData(true);
  // One batch at a time: a second would share the job's buffers.
  if (worker_.Running()) return;
  if (job_ == nullptr) {
    OpenMessageBox(*this, QStringLiteral("There is no conversion job to run."),
                   QStringLiteral("Error"));
    return;
  }
  // Refused before anything starts, as a batch refuses its parameters.
  for (const std::optional<QString>& problem : {output_->problem(), flat_->problem()}) {
    if (!problem) continue;
    OpenMessageBox(*this, *problem, QStringLiteral("Error"));
    return;
  }
  BatchOutput output{ChoiceForBatch(output_->choice(), values_.outFolder),
                     QCoreApplication::applicationVersion().toStdString()};
  job_->SetParameters(values_);
  // Unticked, the box gives no correction. The batch reads the flats and
  // darks at its start and refuses them, if it must, with its "Error".
  job_->correction = flat_->correction();
  job_->dialog = &bridge_;
  // The window's Cancel and close act on the process-wide flag.
  job_->batch.stopFlag = &cancelRequested;
  cancelRequested = 0;
  SetControlsEnabled(kCancelConversion, true);
  StartWorker(std::move(output));
  converting_ = worker_.Running();
  if (converting_) forecast_->Start(values_.inFolder, values_.inFormat, values_.startNumber);
}

void ConverterDialog::StartWorker(BatchOutput output) {
  SetControlsEnabled(kConvert, false);
  bridge_.Open();
  try {
    worker_.Start(*job_, bridge_, std::move(output));
  } catch (const std::system_error& e) {
    SetControlsEnabled(kCancelConversion, false);
    SetControlsEnabled(kConvert, true);
    OpenMessageBox(*this,
                   QStringLiteral("The conversion could not be started: %1")
                       .arg(QString::fromLocal8Bit(e.what())),
                   QStringLiteral("Error"));
  }
}

void ConverterDialog::OnCancelConversion() {
  // The worker sees it before its next image; the one in progress is written.
  cancelRequested = 1;
}

bool ConverterDialog::OnConvertProgress(std::int32_t fileNumber) {
  forecast_->Advance(fileNumber);
  values_.progress = fileNumber;
  // Every control is loaded, so text typed elsewhere since the last save is
  // replaced by its member.
  return UpdateData(false);
}

bool ConverterDialog::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == kConvertProgressEvent) {
    OnConvertProgress(static_cast<ConvertProgressEvent*>(event)->fileNumber());
    return true;
  }
  if (type == kWorkerMessageEvent) {
    OnWorkerMessage(*static_cast<WorkerMessageEvent*>(event));
    return true;
  }
  if (type == kWorkerFinishedEvent) {
    OnWorkerFinished();
    return true;
  }
  return QDialog::event(event);
}

void ConverterDialog::OnWorkerMessage(const WorkerMessageEvent& message) {
  // A request the dialog has let go of (it is closing) gets no box.
  const std::uint64_t request = message.request();
  if (!bridge_.BeginShowing(request)) return;
  // Every message of a batch is its last word: no image follows while the
  // box waits, so the figures stop where the batch did.
  converting_ = false;
  forecast_->Stop();
  QMessageBox* const box = OpenBatchMessageBox(*this, message.text(), message.caption());
  connect(box, &QDialog::finished, this, [this, request] { bridge_.Answer(request); });
  workerBox_ = box;
}

void ConverterDialog::JoinWorker() {
  if (!worker_.Running()) return;
  worker_.Join();
  // The job keeps no pointer to this dialog between batches.
  job_->dialog = nullptr;
}

void ConverterDialog::OnWorkerFinished() {
  JoinWorker();  // its last step: the thread is ending
  converting_ = false;
  forecast_->Finish();
  SetControlsEnabled(kCancelConversion, false);
  SetControlsEnabled(kConvert, true);
  if (closingWait_ != nullptr) closingWait_->quit();
}

void ConverterDialog::ReleaseWorker() {
  bridge_.Release();
  delete workerBox_.data();
}

void ConverterDialog::OnDestroy() {
  if (closing_) return;
  closing_ = true;
  cancelRequested = 1;
  // A box the worker waits on goes with the window, and the worker is let go
  // at once, so that it can end during the pause.
  ReleaseWorker();
  std::this_thread::sleep_for(closeWait_);
  // The pause is not enough for an image that takes longer: the worker is
  // waited for, so that it touches neither the job nor the window once they
  // are gone.
  WaitForWorker();
  closing_ = false;
}

void ConverterDialog::WaitForWorker() {
  if (worker_.Running()) {
    // The worker's last step is an event for this thread, so the wait goes on
    // handling events until that step has been taken.
    QEventLoop loop;
    closingWait_ = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    closingWait_ = nullptr;
  }
  // Should the loop have ended early (the application quitting), a released
  // worker no longer waits for this thread, so a plain join cannot hang.
  JoinWorker();
}

void ConverterDialog::EndWorkerWithoutWindow() {
  if (worker_.Running()) cancelRequested = 1;
  bridge_.Detach();  // nothing more is posted to this object
  delete workerBox_.data();
  JoinWorker();
}

}  // namespace projconv
