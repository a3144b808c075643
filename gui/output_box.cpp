#include "gui/output_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "containers/output_formats.h"

namespace projconv {

namespace {

// Columns shared with the "Input projection format" box above: the type under
// the sample type, the file's caption under the signedness, the sidecar under
// the captions of the scale and header, its stem ending with their fields.
constexpr QRect kTypeGeometry{10, 18, 108, 22};
constexpr QRect kFileLabelGeometry{126, 18, 24, 22};
constexpr QRect kFileGeometry{152, 18, 154, 22};
constexpr QRect kBrowseGeometry{310, 17, 28, 24};
constexpr QRect kSidecarGeometry{344, 19, 70, 20};
constexpr QRect kStemGeometry{418, 18, 128, 22};

// "TIFF files (*.tif *.tiff);;All files (*)"
QString FileFilter(OutputType type) {
  const OutputFormat& format = FormatOf(type);
  const QString all = QStringLiteral("All files (*)");
  if (format.fileKind.empty()) return all;
  QStringList patterns;
  for (const std::string_view suffix : format.suffixes) {
    if (!suffix.empty()) patterns << QStringLiteral("*") + QString::fromUtf8(suffix);
  }
  return QStringLiteral("%1 (%2);;%3")
      .arg(QString::fromUtf8(format.fileKind), patterns.join(QLatin1Char(' ')), all);
}

// A name with no folder of its own goes in `folder`.
std::string InFolder(const std::string& name, const std::string& folder) {
  if (name.empty() || folder.empty()) return name;
  const QString path = QString::fromStdString(name);
  if (!QFileInfo(path).isRelative()) return name;
  return QDir(QString::fromStdString(folder)).filePath(path).toStdString();
}

}  // namespace

QString OutputTypeLabel(OutputType type) {
  return QString::fromUtf8(FormatOf(type).label);
}

OutputBox::OutputBox(QWidget* parent, std::function<QString()> outFolder)
    : QGroupBox(QStringLiteral("Output"), parent),
      outFolder_(std::move(outFolder)),
      type_(new QComboBox(this)),
      file_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("..."), this)),
      sidecar_(new QCheckBox(QStringLiteral("Sidecar"), this)),
      stem_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("outputGroup"));
  setGeometry(kGeometry);
  for (const OutputFormat& format : OutputFormats()) {
    type_->addItem(OutputTypeLabel(format.type), int(format.type));
  }
  type_->setGeometry(kTypeGeometry);
  type_->setAccessibleName(QStringLiteral("Output type"));
  type_->setToolTip(QStringLiteral("What the output images are written as"));

  auto* fileLabel = new QLabel(QStringLiteral("File"), this);
  fileLabel->setGeometry(kFileLabelGeometry);
  fileLabel->setTextFormat(Qt::PlainText);
  fileLabel->setBuddy(file_);
  file_->setGeometry(kFileGeometry);
  file_->setAccessibleName(QStringLiteral("Output file"));
  file_->setToolTip(QStringLiteral(
      "The one file of a TIFF stack or an HDF5 output; a name alone goes in the output folder"));
  browse_->setGeometry(kBrowseGeometry);
  browse_->setAutoDefault(false);
  browse_->setAccessibleName(QStringLiteral("Choose the output file"));
  browse_->setToolTip(QStringLiteral("Choose the output file"));

  sidecar_->setGeometry(kSidecarGeometry);
  sidecar_->setToolTip(QStringLiteral(
      "After each batch, write STEM.json with every parameter and how the batch went "
      "(and STEM.mhd for raw files)"));
  stem_->setGeometry(kStemGeometry);
  stem_->setText(QString::fromLatin1(kDefaultStem));
  stem_->setAccessibleName(QStringLiteral("Sidecar name"));
  stem_->setToolTip(sidecar_->toolTip());

  connect(type_, &QComboBox::currentIndexChanged, this, &OutputBox::EnableForChoice);
  connect(sidecar_, &QCheckBox::toggled, this, &OutputBox::EnableForChoice);
  connect(browse_, &QPushButton::clicked, this, &OutputBox::BrowseFile);
  EnableForChoice();
}

OutputChoice OutputBox::choice() const {
  OutputChoice choice;
  choice.type = OutputFormats()[std::size_t(std::max(type_->currentIndex(), 0))].type;
  choice.file = file_->text().toStdString();
  if (sidecar_->isChecked()) choice.sidecar = stem_->text().toStdString();
  return choice;
}

void OutputBox::SetChoice(const OutputChoice& choice) {
  type_->setCurrentIndex(type_->findData(int(choice.type)));
  file_->setText(QString::fromStdString(choice.file));
  sidecar_->setChecked(!choice.sidecar.empty());
  // Without a sidecar the stem keeps what it showed, ready for the next tick.
  if (!choice.sidecar.empty()) stem_->setText(QString::fromStdString(choice.sidecar));
  EnableForChoice();
}

std::optional<QString> OutputBox::problem() const {
  const OutputType type = choice().type;
  if (IsSingleFile(type) && file_->text().trimmed().isEmpty()) {
    return QStringLiteral(
               "%1 output goes to one file. Name it in the \"File\" field under "
               "\"Output\", then press Convert again.")
        .arg(OutputTypeLabel(type));
  }
  if (sidecar_->isChecked() && stem_->text().trimmed().isEmpty()) {
    return QStringLiteral(
        "The sidecar needs a name. Type it beside \"Sidecar\" under \"Output\", "
        "or untick \"Sidecar\".");
  }
  return std::nullopt;
}

void OutputBox::EnableForChoice() {
  const bool singleFile = IsSingleFile(choice().type);
  file_->setEnabled(singleFile);
  browse_->setEnabled(singleFile);
  stem_->setEnabled(sidecar_->isChecked());
}

void OutputBox::BrowseFile() {
  const OutputType type = choice().type;
  const QString folder = outFolder_ ? outFolder_() : QString();
  const QString start =
      QString::fromStdString(InFolder(file_->text().toStdString(), folder.toStdString()));
  const QString picked = QFileDialog::getSaveFileName(
      this, QStringLiteral("Output file"), start.isEmpty() ? folder : start, FileFilter(type));
  if (!picked.isEmpty()) file_->setText(QDir::toNativeSeparators(picked));
}

OutputChoice ChoiceForBatch(const OutputChoice& shown, const std::string& outFolder) {
  OutputChoice batch = shown;
  batch.file = IsSingleFile(shown.type) ? InFolder(shown.file, outFolder) : std::string();
  batch.sidecar = InFolder(shown.sidecar, outFolder);
  return batch;
}

}  // namespace projconv
