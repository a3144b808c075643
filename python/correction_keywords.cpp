#include "python/correction_keywords.h"

#include <cstring>

namespace projconv {

namespace {

using C = CorrectionParameters;
using enum CorrectionValue;

}  // namespace

// clang-format off
const std::array<CorrectionKeyword, 9> kCorrectionKeywords{{
  {"flat_pattern",  "FlatPattern", Pattern, &C::flat},
  {"flat_first",    "FlatFirst",   First,   &C::flat},
  {"flat_count",    "FlatCount",   Count,   &C::flat},
  {"dark_pattern",  "DarkPattern", Pattern, &C::dark},
  {"dark_first",    "DarkFirst",   First,   &C::dark},
  {"dark_count",    "DarkCount",   Count,   &C::dark},
  {"combine",       "Combine",     Combine, nullptr},
  {"correct",       "Mode",        Mode,    nullptr},
  {"correct_scale", "Scale",       Scale,   nullptr},
}};
// clang-format on

const CorrectionKeyword* CorrectionKeywordNamed(const char* name) {
  for (const CorrectionKeyword& row : kCorrectionKeywords) {
    if (std::strcmp(row.name, name) == 0) return &row;
  }
  return nullptr;
}

}  // namespace projconv
