#pragma once

// The program's one window: every parameter of a conversion, exchanged with
// ConverterValues and validated on the way back; Convert hands them to the job
// and runs the batch on a worker thread, whose progress the window shows.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "containers/output_choice.h"
#include "form/converter_values.h"
#include "gui/conversion_worker.h"
#include "gui/folder_picker.h"
#include "gui/worker_bridge.h"

class QEventLoop;
class QKeyEvent;
class QMessageBox;
class QShowEvent;
namespace Ui {
class ConverterDialog;
}

namespace projconv {

class DataExchange;
class FlatFieldBox;
class ForecastBar;
class OutputBox;
class PreviewPanel;
class ProjectionJob;
class WorkerMessageEvent;

class ConverterDialog : public QDialog {
  Q_OBJECT

 public:
  using FailureReporter = std::function<void(const QString& message)>;

  explicit ConverterDialog(QWidget* parent = nullptr);
  ~ConverterDialog() override;

  // The members: set them before the dialog is shown, read them after it
  // closed with Accepted.
  ConverterValues& values() { return values_; }
  const ConverterValues& values() const { return values_; }

  // The control with this identifier (see control_ids.h), or nullptr.
  QWidget* Control(int id) const;

  // Loads every control from its member (save false), or saves and validates
  // every control into its member (save true). False when a value was refused;
  // the user has then been told and the focus is on that control.
  bool UpdateData(bool save);

  // Replaces the message box that tells the user about a refused value.
  void SetFailureReporter(FailureReporter reporter);

  // Ends with Accepted only when every value is accepted; otherwise stays open.
  void accept() override;

  // The job that Convert fills and the worker converts; not owned. Closing the
  // dialog, or destroying it, ends any batch before it returns, so the job
  // may go once the dialog has closed.
  void SetJob(ProjectionJob* job) { job_ = job; }

  // Replaces the folder picker of the two "Browse" buttons.
  void SetFolderPicker(FolderPicker picker);
  // Replaces the way the worker thread is started.
  void SetThreadStarter(ConversionWorker::ThreadStarter starter);
  // How long closing pauses for a batch to notice the stop (2000 ms).
  void SetCloseWait(std::chrono::milliseconds wait) { closeWait_ = wait; }

  // The panel that "Preview >>" opens beside the controls.
  PreviewPanel& previewPanel() const { return *preview_; }

  // The row below the described controls: what a batch writes.
  OutputBox& outputBox() const { return *output_; }
  // What the row shows (see OutputBox::choice), and showing another choice;
  // like the window's place, it is kept apart from the members.
  OutputChoice outputChoice() const;
  void SetOutputChoice(const OutputChoice& choice);

  // The group under the output row: the flat-field correction a batch runs
  // with, kept apart from the members like the output choice.
  FlatFieldBox& flatFieldBox() const { return *flat_; }

  // Enables the sign and byte-order radios or the scale, as choosing the
  // sample type does, without taking any value in.
  void EnableForSampleType(SampleType type);

  // From Convert until the worker's last step has been handled.
  bool ConversionRunning() const { return worker_.Running(); }

 protected:
  virtual void DoDataExchange(DataExchange& dx);
  // Runs once each time the dialog opens, before it becomes visible.
  virtual bool OnInitDialog();
  // "Remeber and Exit", and Enter outside a push button.
  virtual void OnOK();

  virtual void OnBrowseInput();
  virtual void OnBrowseOutput();
  virtual void OnConvert();
  virtual void OnTypeInteger();
  virtual void OnTypeFloat();
  virtual void OnCancelConversion();
  // The worker wrote output file `fileNumber`. False when the controls could
  // not all be loaded.
  virtual bool OnConvertProgress(std::int32_t fileNumber);
  // The window closes: stops the batch and waits until its worker has ended.
  virtual void OnDestroy();

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;

 private:
  void AssignControlIds();
  void ShowFailureBox(const QString& message);
  void SetControlsEnabled(std::span<const int> ids, bool enabled);
  void ConnectCommands();
  void BrowseFolder(const QString& title, int editId, std::string& member);
  void StartWorker(BatchOutput output);
  void OnWorkerMessage(const WorkerMessageEvent& message);
  void OnWorkerFinished();
  void ReleaseWorker();
  void WaitForWorker();
  void JoinWorker();
  void EndWorkerWithoutWindow();

  std::unique_ptr<Ui::ConverterDialog> ui_;
  ConverterValues values_;
  FailureReporter reportFailure_;
  bool initialised_ = false;

  ProjectionJob* job_ = nullptr;
  FolderPicker pickFolder_;
  std::chrono::milliseconds closeWait_{2000};
  WorkerBridge bridge_{*this};
  ConversionWorker worker_;
  QPointer<QMessageBox> workerBox_;    // the box a waiting worker asked for
  QEventLoop* closingWait_ = nullptr;  // runs while closing waits for the worker
  bool closing_ = false;
  // From Convert until the batch's first message: the worker may be making
  // an image. Once a message has come, the worker only waits for its box.
  bool converting_ = false;

  ForecastBar* forecast_ = nullptr;  // child widgets, owned by the window
  OutputBox* output_ = nullptr;
  FlatFieldBox* flat_ = nullptr;
  PreviewPanel* preview_ = nullptr;
};

}  // namespace projconv
