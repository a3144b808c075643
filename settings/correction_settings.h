#pragma once

// The flat-field correction as the settings file stores it: a section of its
// own, [Correction], so that the conversion's section keeps exactly its keys.
//
//   FlatPattern, DarkPattern   a name pattern with one integer field, or one
//                              file name; empty for none
//   FlatFirst, DarkFirst       the pattern's first number
//   FlatCount, DarkCount       how many files; -1 for every file from the
//                              first until one is missing
//   Combine                    mean or median
//   Mode                       transmission or attenuation
//   Scale                      the correction scale as a decimal number;
//                              empty for the mode's default

#include <string>
#include <utility>
#include <vector>

#include "engine/flat_field.h"

namespace projconv {

class IniDocument;

inline constexpr char kCorrectionGroup[] = "Correction";

// Key and stored text (UTF-8, or the bytes of a name) of every key, in the
// order they are written.
std::vector<std::pair<std::string, std::string>> StoredCorrection(const CorrectionParameters& c);

// Reads the section into `c`: absent keys keep their values, and a value that
// cannot be taken is a problem (UTF-8, naming the key and the text), the
// value kept as it was. Unknown keys of the section are problems too.
void ReadCorrection(IniDocument& file, CorrectionParameters& c, std::vector<std::string>& problems);

}  // namespace projconv
