#pragma once

#include <QStringList>

#include "cli/batch_options.h"
#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "settings/settings_keys.h"

namespace projconv {

// The parameters the command line's overrides start from.
struct BaseSettings {
  ConversionParameters settings = FirstRunSettings();
  CorrectionParameters correction;  // the [Correction] section
  QStringList problems;             // complete lines; the batch is refused when there are any
};

BaseSettings LoadBaseSettings(const BatchOptions& options);

}  // namespace projconv
