#pragma once

// --out-type and --out-file: what the output images are written as; --sidecar:
// the files that describe them.

#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "containers/output_choice.h"

namespace projconv {

void DefineOutputOptions(QCommandLineParser& parser);

// The choice, or what is wrong with it: a single-file type needs --out-file,
// the others take none, and a sidecar needs a stem.
std::optional<QString> ReadOutputOptions(const QCommandLineParser& parser, OutputChoice& choice);

}  // namespace projconv
