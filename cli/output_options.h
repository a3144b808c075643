#pragma once

// --out-type and --out-file: what the output images are written as.

#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "containers/output_type.h"

namespace projconv {

struct OutputChoice {
  OutputType type = OutputType::Raw;
  QString file;  // the one file of a TIFF stack or an HDF5 output
};

void DefineOutputOptions(QCommandLineParser& parser);

// The choice, or what is wrong with it: a single-file type needs --out-file,
// and the others take none.
std::optional<QString> ReadOutputOptions(const QCommandLineParser& parser, OutputChoice& choice);

}  // namespace projconv
