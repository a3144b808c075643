#pragma once

#include <QStringList>

#include "batch_options.h"
#include "converter_settings.h"

// The parameters the command line's overrides start from.
struct BaseSettings {
  ConverterSettings settings;
  QStringList problems;  // complete lines; the batch is refused when there are any
};

BaseSettings LoadBaseSettings(const BatchOptions& options);
