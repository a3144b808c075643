#include "gui/preview_panel.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <utility>

#include "engine/name_pattern.h"
#include "form/control_ids.h"
#include "form/number_text.h"
#include "gui/converter_dialog.h"
#include "gui/flat_field_box.h"
#include "gui/image_pane.h"
#include "gui/layout_guess_strip.h"
#include "gui/panel_toggle.h"
#include "gui/qt_controls.h"
#include "preview/crop_overlay.h"
#include "preview/preview_service.h"

namespace projconv {

namespace {

// How long typing must pause before the pictures are made again.
constexpr int kPauseMs = 250;
// Pictures wider or taller than this are reduced: a pane shows far less.
constexpr int kPictureSide = 1024;

constexpr int kMargin = 8;
constexpr int kPaneGap = 10;
// Under the panes, wrapped to as many lines as the panel's width needs.
constexpr int kHintHeight = 20;  // one line of it, with its room above
constexpr int kHintSpace = 4;
const char kHint[] =
    "Drag on the input to draw the crop window, drag the cross to move the centre of rotation. "
    "The output is what the batch writes for this file.";
// The layout guess at the foot of the panel: its caption line and a list of
// LayoutGuessStrip::kShown layouts under a header.
constexpr int kGuessHeight = 122;
// Under the strip: it ends level with the dialog's last box.
constexpr int kFootMargin = 10;
// Where the toggle sits: the strip between the top buttons and the folders,
// flush with the right-hand edge of the controls above it.
constexpr QRect kToggleGeometry(490, 67, 80, 19);

// The radio groups, by their first button, and the check boxes: every other
// control is read by its text.
constexpr int kRadioGroups[] = {kIdcInteger16Radio, kIdcSignedRadio, kIdcLittleEndianRadio};
constexpr int kCheckBoxes[] = {kIdcZoomOutCheck, kIdcCropHeaderCheck, kIdcYesCheck,
                               kIdcTranspositionCheck};

const QEvent::Type kPictureEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A picture made on the service's thread, on its way to the panel's.
class PictureEvent : public QEvent {
 public:
  PictureEvent(std::uint64_t request, PreviewPicture picture)
      : QEvent(kPictureEvent), request_(request), picture_(std::move(picture)) {}
  std::uint64_t request() const { return request_; }
  PreviewPicture TakePicture() { return std::move(picture_); }

 private:
  std::uint64_t request_;
  PreviewPicture picture_;
};

template <std::size_t N>
bool IsOneOf(int id, const int (&ids)[N]) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

QString Size(int width, int height) {
  return QStringLiteral("%1 \u00D7 %2").arg(width).arg(height);
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

PreviewPanel::PreviewPanel(ConverterDialog& dialog)
    : QWidget(&dialog),
      dialog_(dialog),
      closedSize_(dialog.size()),
      toggle_(new PanelToggle(&dialog)),
      input_(new ImagePane(QStringLiteral("Input"), this)),
      output_(new ImagePane(QStringLiteral("Output"), this)),
      guess_(new LayoutGuessStrip(
          this, dialog,
          [this] {
            LayoutGuessStrip::FirstInput input;
            std::string problem;
            input.path = FirstInputName(problem);
            input.problem = QString::fromStdString(problem);
            return input;
          },
          [this](const RawLayout& layout) { ShowLayout(layout); })) {
  toggle_->setGeometry(kToggleGeometry);
  toggle_->setAccessibleName(QStringLiteral("Preview"));
  input_->setAccessibleName(QStringLiteral("Input preview"));
  output_->setAccessibleName(QStringLiteral("Output preview"));
  connect(toggle_, &PanelToggle::clicked, this, [this] { SetOpen(!open_); });
  auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), &dialog);
  connect(shortcut, &QShortcut::activated, this, [this] { SetOpen(!open_); });

  LayOut(kWidth);
  input_->SetEditable(true);
  connect(input_, &ImagePane::cropDragged, this, &PreviewPanel::OnCropDragged);
  connect(input_, &ImagePane::centreDragged, this, &PreviewPanel::OnCentreDragged);

  pause_.setSingleShot(true);
  pause_.setInterval(kPauseMs);
  connect(&pause_, &QTimer::timeout, this, &PreviewPanel::Refresh);
  ConnectControls();

  // Closed, the panel is neither shown nor reachable.
  setEnabled(false);
  hide();
}

PreviewPanel::~PreviewPanel() {
  // The service's thread posts to this object: it ends first.
  service_.reset();
}

void PreviewPanel::ConnectControls() {
  for (const int id : kDialogControlIds) {
    // The progress edit changes with every image of a batch and decides
    // nothing the preview shows.
    if (id == kIdcProgressEdit) continue;
    QWidget* const control = FindControl(dialog_, id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      connect(edit, &QLineEdit::textChanged, this, &PreviewPanel::OnEdited);
    } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
      connect(radio, &QRadioButton::toggled, this, &PreviewPanel::OnEdited);
    }
  }
  connect(&dialog_.flatFieldBox(), &FlatFieldBox::changed, this, &PreviewPanel::OnEdited);
}

void PreviewPanel::SetOpen(bool open) {
  if (open == open_) return;
  open_ = open;
  toggle_->SetOpen(open);
  setEnabled(open);
  setVisible(open);
  // The window frame's share, measured before the window changes size.
  const QSize frame = dialog_.frameGeometry().size() - dialog_.size();
  if (open) LayOut(FittingWidth(frame.width()));
  const QSize size = open ? closedSize_ + QSize(width(), 0) : closedSize_;
  dialog_.setFixedSize(size);
  if (open) KeepOnScreen(size + frame);
  if (open) {
    lastTexts_.reset();  // whatever changed while closed is read afresh
    lastCorrection_.reset();
    Refresh();
  } else {
    pause_.stop();
  }
}

int PreviewPanel::HintHeight(int panelWidth) const {
  const QRect lines =
      fontMetrics().boundingRect(QRect(0, 0, panelWidth - 2 * kMargin, closedSize_.height()),
                                 Qt::AlignLeft | Qt::TextWordWrap, QLatin1String(kHint));
  return std::max(kHintHeight, lines.height() + kHintSpace);
}

void PreviewPanel::LayOut(int panelWidth) {
  setGeometry(closedSize_.width(), 0, panelWidth, closedSize_.height());
  hintHeight_ = HintHeight(panelWidth);
  const int paneWidth = (panelWidth - 2 * kMargin - kPaneGap) / 2;
  const int paneHeight =
      closedSize_.height() - 2 * kMargin - hintHeight_ - kGuessHeight - kFootMargin;
  input_->setGeometry(kMargin, kMargin, paneWidth, paneHeight);
  output_->setGeometry(kMargin + paneWidth + kPaneGap, kMargin, paneWidth, paneHeight);
  guess_->setGeometry(kMargin, closedSize_.height() - kFootMargin - kGuessHeight,
                      panelWidth - 2 * kMargin, kGuessHeight);
}

int PreviewPanel::FittingWidth(int frameWidth) const {
  const QScreen* const screen = dialog_.screen();
  if (screen == nullptr) return kWidth;
  const int room = screen->availableGeometry().width() - frameWidth - closedSize_.width();
  return std::clamp(room, kNarrowest, kWidth);
}

void PreviewPanel::KeepOnScreen(QSize outer) {
  const QScreen* const screen = dialog_.screen();
  if (screen == nullptr || !dialog_.isVisible()) return;
  const QRect available = screen->availableGeometry();
  const QPoint from = dialog_.frameGeometry().topLeft();
  // Left and up as far as the window needs, never past the screen's start.
  const QPoint at(
      std::max(available.left(), std::min(from.x(), available.right() + 1 - outer.width())),
      std::max(available.top(), std::min(from.y(), available.bottom() + 1 - outer.height())));
  if (at != from) dialog_.move(at);
}

void PreviewPanel::OnEdited() {
  if (!open_ || settingTexts_) return;
  // The crop window follows at once; the pictures after the pause.
  reading_ = ReadPreviewValues(TakeTexts(), dialog_.values());
  ShowOverlay();
  pause_.start();
}

ControlTexts PreviewPanel::TakeTexts() const {
  QtControls controls(dialog_, {});
  ControlTexts texts;
  for (const int id : kDialogControlIds) {
    if (id == kIdcProgressEdit) {
      texts.SetText(id, "0");  // see ConnectControls
    } else if (IsOneOf(id, kRadioGroups)) {
      texts.SetRadioIndex(id, controls.RadioIndex(id));
    } else if (IsOneOf(id, kCheckBoxes)) {
      texts.SetCheckState(id, controls.CheckState(id));
    } else {
      texts.SetText(id, controls.Text(id));
    }
  }
  return texts;
}

void PreviewPanel::Refresh() {
  pause_.stop();
  if (!open_) return;
  ControlTexts texts = TakeTexts();
  const FlatFieldBox& flat = dialog_.flatFieldBox();
  const std::pair correction{flat.correction(), flat.problem()};
  if (lastTexts_ == texts && lastCorrection_ == correction) return;
  lastTexts_ = texts;
  lastCorrection_ = correction;
  reading_ = ReadPreviewValues(std::move(texts), dialog_.values());
  ShowOverlay();
  if (const FieldProblem* problem = reading_.InputProblem()) {
    // Nothing to read: answers still on their way are of no use.
    shownRequest_ = ++lastRequest_;
    picture_.reset();
    input_->ShowReason(Text(problem->text));
    output_->ShowReason(Text(problem->text));
    return;
  }
  const FieldProblem* problem = reading_.AnyProblem();
  if (problem != nullptr) output_->ShowReason(Text(problem->text));
  // A batch would not start on a scale it cannot read: the output says so.
  if (problem == nullptr && correction.second) output_->ShowReason(*correction.second);
  Request(problem == nullptr && !correction.second);
}

void PreviewPanel::ShowOverlay() {
  const bool placed = reading_.InputProblem() == nullptr && reading_.GeometryProblem() == nullptr;
  input_->SetOverlay(placed ? std::optional(OverlayOf(reading_.values)) : std::nullopt);
}

void PreviewPanel::Request(bool withOutput) {
  if (service_ == nullptr) {
    service_ = std::make_unique<PreviewService>(
        [this](std::uint64_t request, PreviewPicture picture) {
          QCoreApplication::postEvent(this, new PictureEvent(request, std::move(picture)));
        },
        kPictureSide);
  }
  outputRequested_ = withOutput;
  // While a batch runs the preview keeps to one thread, leaving the rest of
  // the machine to the batch.
  const std::int32_t threads = dialog_.ConversionRunning() ? 1 : 0;
  service_->Submit(++lastRequest_,
                   {reading_.values, withOutput, threads, dialog_.flatFieldBox().correction()});
}

bool PreviewPanel::event(QEvent* event) {
  if (event->type() != kPictureEvent) return QWidget::event(event);
  auto* delivered = static_cast<PictureEvent*>(event);
  // Only the answer to the latest request is shown.
  if (delivered->request() == lastRequest_) {
    shownRequest_ = lastRequest_;
    picture_ = delivered->TakePicture();
    ShowPicture();
  }
  return true;
}

void PreviewPanel::ShowPicture() {
  const PreviewPicture& picture = *picture_;
  if (picture.input) {
    const PaneImage& in = *picture.input;
    const QString file = QFileInfo(Text(picture.inputName)).fileName();
    input_->ShowPicture(in, file + QStringLiteral("  ") + Size(in.sampleWidth, in.sampleHeight),
                        Text(picture.inputNote));
  } else {
    input_->ShowReason(Text(picture.inputReason));
  }
  if (!outputRequested_ && picture.input) return;  // the output shows why already
  if (picture.output) {
    const PaneImage& out = *picture.output;
    output_->ShowPicture(out, Size(out.sampleWidth, out.sampleHeight) + QStringLiteral(", 16-bit"),
                         {});
  } else {
    output_->ShowReason(Text(picture.outputReason));
  }
}

void PreviewPanel::SetEditTexts(std::initializer_list<std::pair<int, std::int32_t>> values) {
  settingTexts_ = true;
  for (const auto& [id, value] : values) {
    if (auto* edit = qobject_cast<QLineEdit*>(FindControl(dialog_, id))) {
      edit->setText(Text(IntToText(value)));
    }
  }
  settingTexts_ = false;
  OnEdited();
}

std::string PreviewPanel::FirstInputName(std::string& problem) const {
  const PreviewReading reading = ReadPreviewValues(TakeTexts(), dialog_.values());
  // Only the fields that name the file matter: the rest is what the guess
  // is about to replace.
  for (const FieldProblem& field : reading.problems) {
    if (field.controlId == kIdcInFolderEdit || field.controlId == kIdcInFormatEdit ||
        field.controlId == kIdcStartNumberEdit) {
      problem = field.text;
      return {};
    }
  }
  const std::optional<NamePattern> pattern = NamePattern::Parse(reading.values.inFormat);
  if (!pattern) {
    problem = "The input name format \"" + reading.values.inFormat +
              "\" does not name the files: it needs exactly one integer field, such as "
              "raw.%04i.";
    return {};
  }
  return JoinPath(reading.values.inFolder, pattern->Format(reading.values.startNumber));
}

void PreviewPanel::ShowLayout(const RawLayout& layout) {
  const auto check = [this](int id) {
    if (auto* radio = qobject_cast<QRadioButton*>(FindControl(dialog_, id)))
      radio->setChecked(true);
  };
  // Every radio and text is set before the pictures are asked for again.
  settingTexts_ = true;
  const bool floatSamples = layout.sampleType == SampleType::Float32;
  check(floatSamples ? kIdcFloat32Radio : kIdcInteger16Radio);
  if (!floatSamples) {
    // A float layout has neither: the radios keep what they showed.
    check(layout.signedness == Signedness::Unsigned ? kIdcUnsignedRadio : kIdcSignedRadio);
    check(layout.byteOrder == ByteOrder::BigEndian ? kIdcBigEndianRadio : kIdcLittleEndianRadio);
  }
  dialog_.EnableForSampleType(layout.sampleType);
  SetEditTexts({{kIdcHeaderLenEdit, layout.headerLen},
                {kIdcInSizeXEdit, layout.width},
                {kIdcInSizeYEdit, layout.height}});
}

void PreviewPanel::OnCropDragged(const SourcePoint& from, const SourcePoint& to) {
  const CropWindow window = CropFromPoints(reading_.values, from, to);
  SetEditTexts({{kIdcCropLeftEdit, window.left},
                {kIdcCropTopEdit, window.top},
                {kIdcCropRightEdit, window.right},
                {kIdcCropBottomEdit, window.bottom}});
}

void PreviewPanel::OnCentreDragged(const SourcePoint& to) {
  // The centre stays on the input, where the rotation is meant to turn it.
  const std::int32_t lastX = std::max(reading_.values.inSizeX - 1, 0);
  const std::int32_t lastY = std::max(reading_.values.inSizeY - 1, 0);
  SetEditTexts({{kIdcRotCentreXEdit, std::clamp(NearestInt32(to.x), 0, lastX)},
                {kIdcRotCentreYEdit, std::clamp(NearestInt32(to.y), 0, lastY)}});
}

void PreviewPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(0, kMargin, 0, height() - kMargin);
  const int strip = height() - kFootMargin - kGuessHeight;
  painter.drawLine(kMargin, strip - kMargin / 2, width() - kMargin, strip - kMargin / 2);
  painter.setPen(palette().color(QPalette::PlaceholderText));
  const QRect hint(kMargin, strip - kMargin - hintHeight_ + kHintSpace, width() - 2 * kMargin,
                   hintHeight_ - kHintSpace);
  painter.drawText(hint, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, QLatin1String(kHint));
}

}  // namespace projconv
