#pragma once

// --flat, --flat-first, --flat-count, --dark, --dark-first, --dark-count,
// --combine, --correct and --correct-scale: the flat-field correction, each
// overriding one key of the settings file's [Correction] section.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "engine/flat_field.h"

namespace projconv {

struct CorrectionChoice {
  std::vector<std::function<void(CorrectionParameters&)>> overrides;
  QStringList given;  // the options given, without their dashes, in --help's order

  // Overrides `correction` (as the settings file gave it) key by key; what
  // is wrong with the command line's part in the result, naming the option:
  // first and count for a plain file name, a dark or a choice without a flat.
  std::optional<QString> ApplyTo(CorrectionParameters& correction) const;
};

void DefineCorrectionOptions(QCommandLineParser& parser);

// The overrides, or what is wrong with a value (a count below 1, a mode or
// combining that is none of its names, a scale that is not a finite number).
std::optional<QString> ReadCorrectionOptions(const QCommandLineParser& parser,
                                             CorrectionChoice& choice);

}  // namespace projconv
