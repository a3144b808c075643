#pragma once

// The group under "Output" that asks for a flat-field correction: the flat
// and dark files (a pattern, its first number and how many), how they are
// combined, the mode and the scale. Its title's check box decides whether a
// batch is corrected at all. Like the output row it is kept apart from the
// conversion's values, and saved in a section of its own.

#include <QGroupBox>
#include <QRect>
#include <QString>
#include <optional>

#include "engine/flat_field.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace projconv {

class FlatFieldBox : public QGroupBox {
  Q_OBJECT

 public:
  // Under the output row, as wide, with the same gap above it.
  static constexpr QRect kGeometry{8, 632, 555, 76};
  // What the window grows by to hold it.
  static constexpr int kAddedHeight = 84;

  explicit FlatFieldBox(QWidget* parent);

  // Shows `c`; the box is ticked when a flat or a dark is named.
  void SetCorrection(const CorrectionParameters& c);

  // What a batch runs with: no correction while the box is unticked. A scale
  // that problem() refuses stands for the mode's default.
  CorrectionParameters correction() const;

  // What the settings file keeps. Unticked, the patterns are left out, so
  // that every program reading the file runs no correction; the numbers,
  // combining, mode and scale are kept for the next tick.
  CorrectionParameters stored() const;

  // Why a batch cannot start on what the box shows (a scale that is not a
  // number), or nothing. Unticked, nothing is ever wrong.
  std::optional<QString> problem() const;

  QLineEdit& flatEdit() const { return *flat_; }
  QSpinBox& flatFirstSpin() const { return *flatFirst_; }
  QSpinBox& flatCountSpin() const { return *flatCount_; }
  QLineEdit& darkEdit() const { return *dark_; }
  QSpinBox& darkFirstSpin() const { return *darkFirst_; }
  QSpinBox& darkCountSpin() const { return *darkCount_; }
  QComboBox& combineBox() const { return *combine_; }
  QComboBox& modeBox() const { return *mode_; }
  QLineEdit& scaleEdit() const { return *scale_; }

 signals:
  // Any control changed, the tick included.
  void changed();

 private:
  // Everything the controls show, ticked or not.
  CorrectionParameters shown() const;
  std::optional<double> ScaleTyped() const;
  void ShowModeDefault();

  QLineEdit* flat_;
  QSpinBox* flatFirst_;
  QSpinBox* flatCount_;
  QLineEdit* dark_;
  QSpinBox* darkFirst_;
  QSpinBox* darkCount_;
  QComboBox* combine_;
  QComboBox* mode_;
  QLineEdit* scale_;
};

}  // namespace projconv
