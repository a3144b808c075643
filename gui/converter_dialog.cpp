#include "gui/converter_dialog.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <optional>
#include <string>
#include <utility>

#include "form/control_ids.h"
#include "form/converter_exchange.h"
#include "form/data_exchange.h"
#include "gui/app_icon.h"
#include "gui/banner_art.h"
#include "gui/control_groups.h"
#include "gui/flat_field_box.h"
#include "gui/forecast_bar.h"
#include "gui/keyboard_access.h"
#include "gui/output_box.h"
#include "gui/preview_panel.h"
#include "gui/qt_controls.h"
#include "ui_converter_dialog.h"

namespace projconv {

namespace {

// The caption sits in the top line of the frame, as the dialog's measures
// assume: a box only 20 dialog units high still holds a line of text. Set on
// each box rather than on the dialog, where a style sheet would reset the
// font of the boxes' contents.
constexpr char kGroupBoxStyle[] = R"(
QGroupBox {
  border: 1px solid palette(mid);
  border-radius: 3px;
  margin-top: 7px;
}
QGroupBox::title {
  subcontrol-origin: margin;
  subcontrol-position: top left;
  left: 5px;
  padding: 0px 2px;
})";

bool IsPlainEnter(const QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers mods = event.modifiers();
  return (key == Qt::Key_Return && mods == Qt::NoModifier) ||
         (key == Qt::Key_Enter && (mods == Qt::NoModifier || mods == Qt::KeypadModifier));
}

}  // namespace

ConverterDialog::ConverterDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConverterDialog>()) {
  ui_->setupUi(this);
  // A fixed frame with a close box only: no minimise, maximise or help box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  // The output row and the flat field stand below the described controls,
  // which keep their places: the window grows downwards to hold them.
  output_ = new OutputBox(this, [this] { return ui_->outFolderEdit->text(); });
  flat_ = new FlatFieldBox(this);
  setFixedSize(size() + QSize(0, OutputBox::kAddedHeight + FlatFieldBox::kAddedHeight));
  for (QGroupBox* box : findChildren<QGroupBox*>()) box->setStyleSheet(kGroupBoxStyle);
  ui_->bannerLabel->setPixmap(PaintBanner());
  AssignControlIds();
  reportFailure_ = [this](const QString& message) { ShowFailureBox(message); };
  pickFolder_ = PickFolderWithFileDialog;
  ConnectCommands();
  // Beside the other controls, without moving any of them: the window
  // keeps its size until the preview is opened.
  forecast_ = new ForecastBar(this);
  preview_ = new PreviewPanel(*this);
  AddKeyboardAccess(*this);
  setWindowIcon(AppIcon());
  ui_->bannerLabel->setAccessibleName(QStringLiteral("projconv"));
  ui_->bannerLabel->setAccessibleDescription(
      QStringLiteral("A source sending rays through an object onto a detector"));
}

ConverterDialog::~ConverterDialog() {
  EndWorkerWithoutWindow();
}

void ConverterDialog::ConnectCommands() {
  const std::pair<QAbstractButton*, void (ConverterDialog::*)()> commands[] = {
      {ui_->browseInButton, &ConverterDialog::OnBrowseInput},
      {ui_->browseOutButton, &ConverterDialog::OnBrowseOutput},
      {ui_->convertButton, &ConverterDialog::OnConvert},
      {ui_->integer16Radio, &ConverterDialog::OnTypeInteger},
      {ui_->float32Radio, &ConverterDialog::OnTypeFloat},
      {ui_->cancelConversionButton, &ConverterDialog::OnCancelConversion},
      {ui_->rememberAndExitButton, &ConverterDialog::OnOK},
  };
  for (const auto& [button, handler] : commands) {
    // Captured by copy: clang 14 cannot capture a structured binding.
    connect(button, &QAbstractButton::clicked, this,
            [this, handler = handler] { (this->*handler)(); });
  }
}

void ConverterDialog::AssignControlIds() {
  const std::pair<QWidget*, int> controls[] = {
      {ui_->rememberAndExitButton, kIdOk},
      {ui_->inFolderLabel, kIdcInFolderLabel},
      {ui_->inFolderEdit, kIdcInFolderEdit},
      {ui_->browseInButton, kIdcBrowseInButton},
      {ui_->outFolderEdit, kIdcOutFolderEdit},
      {ui_->browseOutButton, kIdcBrowseOutButton},
      {ui_->outFormatEdit, kIdcOutFormatEdit},
      {ui_->inFormatEdit, kIdcInFormatEdit},
      {ui_->startNumberEdit, kIdcStartNumberEdit},
      {ui_->headerLenEdit, kIdcHeaderLenEdit},
      {ui_->headerLenLabel, kIdcHeaderLenLabel},
      {ui_->integer16Radio, kIdcInteger16Radio},
      {ui_->float32Radio, kIdcFloat32Radio},
      {ui_->signedRadio, kIdcSignedRadio},
      {ui_->unsignedRadio, kIdcUnsignedRadio},
      {ui_->littleEndianRadio, kIdcLittleEndianRadio},
      {ui_->bigEndianRadio, kIdcBigEndianRadio},
      {ui_->scaleEdit, kIdcScaleEdit},
      {ui_->scaleLabel, kIdcScaleLabel},
      {ui_->convertButton, kIdcConvertButton},
      {ui_->progressEdit, kIdcProgressEdit},
      {ui_->cancelConversionButton, kIdcCancelConversionButton},
      {ui_->outSizeXEdit, kIdcOutSizeXEdit},
      {ui_->outSizeYEdit, kIdcOutSizeYEdit},
      {ui_->inSizeXEdit, kIdcInSizeXEdit},
      {ui_->inSizeYEdit, kIdcInSizeYEdit},
      {ui_->cropLeftEdit, kIdcCropLeftEdit},
      {ui_->cropTopEdit, kIdcCropTopEdit},
      {ui_->cropRightEdit, kIdcCropRightEdit},
      {ui_->cropBottomEdit, kIdcCropBottomEdit},
      {ui_->angleEdit, kIdcAngleEdit},
      {ui_->rotCentreXEdit, kIdcRotCentreXEdit},
      {ui_->rotCentreYEdit, kIdcRotCentreYEdit},
      {ui_->zoomOutCheck, kIdcZoomOutCheck},
      {ui_->cropHeaderCheck, kIdcCropHeaderCheck},
      {ui_->spare1014Edit, kIdcSpare1014Edit},
      {ui_->spare1034Edit, kIdcSpare1034Edit},
      {ui_->spare1035Edit, kIdcSpare1035Edit},
      {ui_->spare1036Edit, kIdcSpare1036Edit},
      {ui_->spare1037Edit, kIdcSpare1037Edit},
      {ui_->yesCheck, kIdcYesCheck},
      {ui_->transpositionCheck, kIdcTranspositionCheck},
  };
  for (const auto& [widget, id] : controls) widget->setProperty(kControlIdProperty, id);
}

QWidget* ConverterDialog::Control(int id) const {
  return FindControl(*this, id);
}

void ConverterDialog::SetFailureReporter(FailureReporter reporter) {
  reportFailure_ = std::move(reporter);
}

void ConverterDialog::SetFolderPicker(FolderPicker picker) {
  pickFolder_ = std::move(picker);
}

void ConverterDialog::ShowFailureBox(const QString& message) {
  QMessageBox box(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
  box.exec();
}

bool ConverterDialog::UpdateData(bool save) {
  QtControls controls(*this, reportFailure_);
  DataExchange dx(controls, save ? ExchangeDirection::Save : ExchangeDirection::Load);
  DoDataExchange(dx);
  return !dx.failed();
}

void ConverterDialog::DoDataExchange(DataExchange& dx) {
  ExchangeConverterValues(dx, values_);
}

void ConverterDialog::SetControlsEnabled(std::span<const int> ids, bool enabled) {
  for (const int id : ids) {
    if (QWidget* control = Control(id)) control->setEnabled(enabled);
  }
}

bool ConverterDialog::OnInitDialog() {
  UpdateData(false);
  SetControlsEnabled(kCancelConversion, false);
  SetControlsEnabled(kConvert, !ConversionRunning());
  // The widgets outlive one opening, so the integer case enables the sign and
  // byte-order radios again, as a freshly opened window would have them.
  const bool floatSamples = values_.sampleType == SampleType::Float32;
  SetControlsEnabled(kSignAndByteOrderRadios, !floatSamples);
  SetControlsEnabled(kScaleControls, floatSamples);
  Control(kIdcInFolderEdit)->setFocus(Qt::OtherFocusReason);
  return true;
}

void ConverterDialog::OnTypeInteger() {
  UpdateData(true);  // a refused value does not keep the radios from switching
  EnableForSampleType(SampleType::Integer16);
}

void ConverterDialog::OnTypeFloat() {
  UpdateData(true);
  EnableForSampleType(SampleType::Float32);
}

void ConverterDialog::EnableForSampleType(SampleType type) {
  const bool floatSamples = type == SampleType::Float32;
  SetControlsEnabled(kSignAndByteOrderRadios, !floatSamples);
  SetControlsEnabled(kScaleControls, floatSamples);
}

OutputChoice ConverterDialog::outputChoice() const {
  return output_->choice();
}

void ConverterDialog::SetOutputChoice(const OutputChoice& choice) {
  output_->SetChoice(choice);
}

void ConverterDialog::OnBrowseInput() {
  BrowseFolder(QStringLiteral("Browse for input folder"), kIdcInFolderEdit, values_.inFolder);
}

void ConverterDialog::OnBrowseOutput() {
  BrowseFolder(QStringLiteral("Browse for output folder"), kIdcOutFolderEdit, values_.outFolder);
}

void ConverterDialog::BrowseFolder(const QString& title, int editId, std::string& member) {
  // The picker opens where the field points, as typed; elsewhere it opens
  // wherever the system's picker opens by itself.
  const auto* edit = qobject_cast<const QLineEdit*>(Control(editId));
  const QString typed = edit != nullptr ? edit->text() : QString();
  const QString start = !typed.isEmpty() && QFileInfo(typed).isDir() ? typed : QString();
  if (const std::optional<std::string> folder =
          PickedFolderValue(pickFolder_(*this, title, start))) {
    member = *folder;
  }
  // Whatever was picked, every control is loaded from its member: text typed
  // since the last save is replaced.
  UpdateData(false);
}

void ConverterDialog::OnOK() {
  // Saved once here and once more by accept(): a refused value is reported
  // twice, and the dialog stays open.
  UpdateData(true);
  accept();
}

void ConverterDialog::accept() {
  if (!UpdateData(true)) return;
  // The settings file must not keep a scale no batch could take.
  if (const std::optional<QString> problem = flat_->problem()) {
    reportFailure_(*problem);
    flat_->scaleEdit().setFocus(Qt::OtherFocusReason);
    return;
  }
  QDialog::accept();
}

void ConverterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (initialised_ || event->spontaneous()) return;
  initialised_ = true;
  OnInitDialog();
}

void ConverterDialog::done(int result) {
  // The next opening starts afresh from the members.
  initialised_ = false;
  // However the window closes, the batch stops and its worker is gone before
  // the run returns, so whoever ran the dialog may release the job. While
  // an image is still being made the window stays and says so: the program
  // never lingers without one. A batch that has ended and waits only for its
  // last box makes no image: the window closes as it does when idle.
  if (worker_.Running() && converting_) {
    forecast_->ShowFinishing();
    repaint();
    OnDestroy();
    QDialog::done(result);
    return;
  }
  QDialog::done(result);
  OnDestroy();
}

void ConverterDialog::keyPressEvent(QKeyEvent* event) {
  if (!IsPlainEnter(*event)) {
    QDialog::keyPressEvent(event);  // Esc rejects without saving
    return;
  }
  // No button is the default one: Enter presses the push button that has the
  // focus, and anywhere else it is "Remeber and Exit".
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
    button->click();
  } else {
    OnOK();
  }
}

}  // namespace projconv
