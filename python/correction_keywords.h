#pragma once

// The flat-field correction as run_batch takes it and read_settings gives
// it: one keyword for each key of the settings file's [Correction] section
// (settings/correction_settings.h), its name in snake case, except that Mode
// and Scale go by the names convert_image gives them, correct and
// correct_scale, as `scale` already names the float samples' factor. Plain
// C++, so that the tool that writes projconv.pyi lists them too.

#include <array>

#include "engine/flat_field.h"

namespace projconv {

enum class CorrectionValue { Pattern, First, Count, Combine, Mode, Scale };

struct CorrectionKeyword {
  const char* name;  // the keyword and the dict's key
  const char* key;   // in the [Correction] section
  CorrectionValue value;
  ReferenceFiles CorrectionParameters::*files;  // flat or dark, for a pattern, first or count
};

extern const std::array<CorrectionKeyword, 9> kCorrectionKeywords;

// The row named `name`; null when none is.
const CorrectionKeyword* CorrectionKeywordNamed(const char* name);

}  // namespace projconv
