#include "gui/flat_field_box.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "settings/name_text.h"

namespace projconv {

namespace {

// Two rows, flats above darks, each a pattern, its first number and its
// count; at their right the combining and the mode above the scale. The
// first row lines up with the output row's controls above it.
constexpr int kRowTop[] = {18, 46};
constexpr QRect kKindLabel{10, 0, 28, 22};
constexpr QRect kPattern{40, 0, 100, 22};
constexpr QRect kFirstLabel{146, 0, 28, 22};
constexpr QRect kFirst{176, 0, 48, 22};
constexpr QRect kCountLabel{230, 0, 34, 22};
constexpr QRect kCount{266, 0, 96, 22};
constexpr QRect kCombine{370, 18, 68, 22};
constexpr QRect kMode{440, 18, 106, 22};
constexpr QRect kScaleLabel{370, 46, 34, 22};
constexpr QRect kScale{406, 46, 140, 22};

// A count of -1 reads "every file from the first until one is missing".
constexpr char kEveryFile[] = "until missing";

QRect InRow(QRect r, int row) {
  return r.translated(0, kRowTop[row]);
}

QLabel* AddLabel(QWidget* parent, const QString& text, QRect at, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(at);
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(buddy);
  return label;
}

QSpinBox* NumberSpin(QWidget* parent, int lowest) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(lowest, std::numeric_limits<int>::max());
  return spin;
}

// One row of the reference files: "Flat" or "Dark".
void PlaceRow(QWidget* box, int row, const QString& kind, QLineEdit* pattern, QSpinBox* first,
              QSpinBox* count) {
  AddLabel(box, kind, InRow(kKindLabel, row), pattern);
  pattern->setGeometry(InRow(kPattern, row));
  AddLabel(box, QStringLiteral("First"), InRow(kFirstLabel, row), first);
  first->setGeometry(InRow(kFirst, row));
  AddLabel(box, QStringLiteral("Count"), InRow(kCountLabel, row), count);
  count->setGeometry(InRow(kCount, row));
  count->setSpecialValueText(QString::fromLatin1(kEveryFile));

  const QString lower = kind.toLower();
  pattern->setAccessibleName(kind + QStringLiteral(" files"));
  pattern->setToolTip(
      QStringLiteral("The %1 files: a name format with one integer field (%1_%03d.raw), or one "
                     "file name; relative to the input folder unless absolute")
          .arg(lower));
  first->setAccessibleName(QStringLiteral("First %1 number").arg(lower));
  first->setToolTip(QStringLiteral("The number of the first %1 file of the format").arg(lower));
  count->setAccessibleName(QStringLiteral("%1 count").arg(kind));
  // Screen readers stop at the spin boxes' edits too.
  for (QSpinBox* spin : {first, count})
    spin->findChild<QLineEdit*>()->setAccessibleName(spin->accessibleName());
  count->setToolTip(QStringLiteral("How many %1 files; \"%2\": every file from the first until "
                                   "one is missing")
                        .arg(lower, QString::fromLatin1(kEveryFile)));
}

ReferenceFiles FilesOf(const QLineEdit& pattern, const QSpinBox& first, const QSpinBox& count) {
  return {NameOfText(pattern.text()), first.value(), count.value()};
}

void ShowFiles(const ReferenceFiles& files, QLineEdit& pattern, QSpinBox& first, QSpinBox& count) {
  pattern.setText(NameToText(files.pattern));
  first.setValue(files.first);
  count.setValue(files.count);
}

}  // namespace

FlatFieldBox::FlatFieldBox(QWidget* parent)
    : QGroupBox(QStringLiteral("Flat field"), parent),
      flat_(new QLineEdit(this)),
      flatFirst_(NumberSpin(this, std::numeric_limits<int>::min())),
      flatCount_(NumberSpin(this, -1)),
      dark_(new QLineEdit(this)),
      darkFirst_(NumberSpin(this, std::numeric_limits<int>::min())),
      darkCount_(NumberSpin(this, -1)),
      combine_(new QComboBox(this)),
      mode_(new QComboBox(this)),
      scale_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("flatFieldGroup"));
  setGeometry(kGeometry);
  setCheckable(true);
  setToolTip(QStringLiteral(
      "Divide every input by the flats, after taking off the darks, before it is converted"));
  PlaceRow(this, 0, QStringLiteral("Flat"), flat_, flatFirst_, flatCount_);
  PlaceRow(this, 1, QStringLiteral("Dark"), dark_, darkFirst_, darkCount_);

  for (const Combining c : {Combining::Mean, Combining::Median})
    combine_->addItem(QString::fromLatin1(CombiningName(c)), int(c));
  combine_->setGeometry(kCombine);
  combine_->setAccessibleName(QStringLiteral("Combining"));
  combine_->setToolTip(
      QStringLiteral("How the flats, and the darks, are combined sample by sample"));
  for (const CorrectionMode m : {CorrectionMode::Transmission, CorrectionMode::Attenuation})
    mode_->addItem(QString::fromLatin1(CorrectionModeName(m)), int(m));
  mode_->setGeometry(kMode);
  mode_->setAccessibleName(QStringLiteral("Correction mode"));
  mode_->setToolTip(
      QStringLiteral("Transmission: the input over the flat; attenuation: its negative logarithm"));
  AddLabel(this, QStringLiteral("Scale"), kScaleLabel, scale_);
  scale_->setGeometry(kScale);
  scale_->setAccessibleName(QStringLiteral("Correction scale"));
  scale_->setToolTip(QStringLiteral(
      "What the corrected value is multiplied by before it is converted; empty for the mode's "
      "default"));
  ShowModeDefault();

  connect(this, &QGroupBox::toggled, this, &FlatFieldBox::changed);
  for (QLineEdit* edit : {flat_, dark_, scale_})
    connect(edit, &QLineEdit::textChanged, this, &FlatFieldBox::changed);
  for (QSpinBox* spin : {flatFirst_, flatCount_, darkFirst_, darkCount_})
    connect(spin, &QSpinBox::valueChanged, this, &FlatFieldBox::changed);
  for (QComboBox* box : {combine_, mode_})
    connect(box, &QComboBox::currentIndexChanged, this, &FlatFieldBox::changed);
  connect(mode_, &QComboBox::currentIndexChanged, this, &FlatFieldBox::ShowModeDefault);
  SetCorrection(CorrectionParameters{});
}

void FlatFieldBox::SetCorrection(const CorrectionParameters& c) {
  ShowFiles(c.flat, *flat_, *flatFirst_, *flatCount_);
  ShowFiles(c.dark, *dark_, *darkFirst_, *darkCount_);
  combine_->setCurrentIndex(std::max(combine_->findData(int(c.combine)), 0));
  mode_->setCurrentIndex(std::max(mode_->findData(int(c.mode)), 0));
  // The shortest text that reads back as the same number.
  if (c.scale) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, *c.scale).ptr;
    scale_->setText(QString::fromLatin1(text, int(end - text)));
  } else {
    scale_->clear();
  }
  setChecked(!c.flat.pattern.empty() || !c.dark.pattern.empty());
}

CorrectionParameters FlatFieldBox::shown() const {
  CorrectionParameters c;
  c.flat = FilesOf(*flat_, *flatFirst_, *flatCount_);
  c.dark = FilesOf(*dark_, *darkFirst_, *darkCount_);
  c.combine = Combining(combine_->currentData().toInt());
  c.mode = CorrectionMode(mode_->currentData().toInt());
  c.scale = ScaleTyped();
  return c;
}

CorrectionParameters FlatFieldBox::correction() const {
  return isChecked() ? shown() : CorrectionParameters{};
}

CorrectionParameters FlatFieldBox::stored() const {
  CorrectionParameters c = shown();
  if (!isChecked()) {
    c.flat.pattern.clear();
    c.dark.pattern.clear();
  }
  return c;
}

std::optional<QString> FlatFieldBox::problem() const {
  if (!isChecked() || scale_->text().trimmed().isEmpty() || ScaleTyped()) return std::nullopt;
  return QStringLiteral(
      "The correction scale under \"Flat field\" must be a number, or empty for the mode's "
      "default.");
}

std::optional<double> FlatFieldBox::ScaleTyped() const {
  const std::string text = scale_->text().trimmed().toStdString();
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

void FlatFieldBox::ShowModeDefault() {
  CorrectionParameters c;
  c.mode = CorrectionMode(mode_->currentData().toInt());
  scale_->setPlaceholderText(QStringLiteral("%1 (default)").arg(CorrectionScale(c)));
}

}  // namespace projconv
