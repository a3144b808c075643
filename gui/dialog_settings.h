#pragma once

#include "engine/conversion_parameters.h"
#include "form/converter_values.h"

namespace projconv {

// The remembered values go into the dialog's members when the program starts,
// and come back out of them when the user leaves with "Remeber and Exit". The
// members bound to hidden controls are not remembered.
inline void LoadIntoDialog(const ConversionParameters& settings, ConverterValues& values) {
  static_cast<ConversionParameters&>(values) = settings;
}
inline ConversionParameters SettingsOfDialog(const ConverterValues& values) {
  return values;
}

}  // namespace projconv
