#pragma once

// The program's one window: every parameter of a conversion, exchanged with
// ConverterValues and validated on the way back.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <span>

#include "converter_values.h"

class DataExchange;
class QKeyEvent;
class QShowEvent;

namespace Ui {
class ConverterDialog;
}

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

 protected:
  virtual void DoDataExchange(DataExchange& dx);
  // Runs once each time the dialog opens, before it becomes visible.
  virtual bool OnInitDialog();
  // "Remeber and Exit", and Enter outside a push button.
  virtual void OnOK();

  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;

 private:
  void AssignControlIds();
  void ShowFailureBox(const QString& message);
  void SetControlsEnabled(std::span<const int> ids, bool enabled);

  std::unique_ptr<Ui::ConverterDialog> ui_;
  ConverterValues values_;
  FailureReporter reportFailure_;
  bool initialised_ = false;
};
