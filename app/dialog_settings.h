#pragma once

#include "converter_settings.h"
#include "converter_values.h"

// The remembered values go into the dialog's members when the program starts,
// and come back out of them when the user leaves with "Remeber and Exit".
void LoadIntoDialog(const ConverterSettings& settings, ConverterValues& values);
ConverterSettings SettingsOfDialog(const ConverterValues& values);
