#pragma once

// The row below the described controls that says what a batch writes: the
// output type, the one file of a single-file type, and the sidecar. Kept
// apart from the conversion's values, and so from its settings section.

#include <QGroupBox>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "containers/output_choice.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace projconv {

class OutputBox : public QGroupBox {
  Q_OBJECT

 public:
  // Under the last row of groups, as wide as the groups beneath the folders,
  // with the same gap above it as between them.
  static constexpr QRect kGeometry{8, 576, 555, 48};
  // What the window grows by to hold it, the bottom margin included.
  static constexpr int kAddedHeight = 56;
  // The stem a first run offers for the sidecar.
  static constexpr char kDefaultStem[] = "batch";

  // `outFolder` gives the output folder as typed: names without a folder are
  // taken in it, and the file picker opens there.
  OutputBox(QWidget* parent, std::function<QString()> outFolder);

  // What the controls show: the file whatever the type (so that switching
  // types loses nothing), the sidecar's stem only when it is ticked.
  OutputChoice choice() const;
  void SetChoice(const OutputChoice& choice);

  // Why a batch cannot start on what the controls show (a single-file type
  // with no file, a ticked sidecar with no stem), or nothing.
  std::optional<QString> problem() const;

  QComboBox& typeBox() const { return *type_; }
  QLineEdit& fileEdit() const { return *file_; }
  QPushButton& fileButton() const { return *browse_; }
  QCheckBox& sidecarCheck() const { return *sidecar_; }
  QLineEdit& stemEdit() const { return *stem_; }

 private:
  void EnableForChoice();
  void BrowseFile();

  std::function<QString()> outFolder_;
  QComboBox* type_;
  QLineEdit* file_;
  QPushButton* browse_;
  QCheckBox* sidecar_;
  QLineEdit* stem_;
};

// The choice a batch writing into `outFolder` takes from what the box shows:
// the file only for a single-file type, and a file or stem without a folder
// placed in `outFolder`, where the user looks for the output.
OutputChoice ChoiceForBatch(const OutputChoice& shown, const std::string& outFolder);

// Its row's label: "Raw files", "TIFF files", "TIFF stack", "HDF5 file".
QString OutputTypeLabel(OutputType type);

}  // namespace projconv
