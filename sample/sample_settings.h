#pragma once

#include <string>

#include "engine/conversion_parameters.h"

namespace projconv {

namespace sample {

// Why `folder` cannot be written as a plain settings value (a character an
// INI reader would take as a quote, escape, list separator or comment, or
// surrounding blanks it would trim), or an empty string when it can.
std::string SettingsValueProblem(const std::string& folder);

// The parameters that convert the sequence in `inFolder` into `outFolder`;
// those the sample does not need keep their first values.
ConversionParameters SampleParameters(const std::string& inFolder, const std::string& outFolder);

// The text of sample.ini: one [Qarmo_Convertor] section with all 21 keys,
// converting the sequence in `inFolder` into `outFolder`.
std::string SettingsText(const std::string& inFolder, const std::string& outFolder);

}  // namespace sample

}  // namespace projconv
