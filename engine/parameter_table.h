#pragma once

// The conversion parameters, each described once: under what name a record
// of a batch (the HDF5 attributes, the sidecar, the Python dictionaries) and
// the Python keywords give it, under what key and in what form the settings
// file holds it, what it starts as on a first run, and how projconv-batch
// takes it. The settings file, the command line, the Python module, the
// records and the manual pages all walk this table: a new parameter needs its
// member in ConversionParameters, one row here and its control in the dialog
// (form/converter_exchange.cpp).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "engine/conversion_parameters.h"

namespace projconv {

// How a value stands in the settings file.
enum class StoredForm {
  Text,         // the string itself
  Integer,      // signed decimal text
  Millionths,   // a float held as integer millionths (the angle)
  Thousandths,  // a float held as integer thousandths (the scale factor)
};

using ParameterMember =
    std::variant<std::string ConversionParameters::*, std::int32_t ConversionParameters::*,
                 float ConversionParameters::*, SampleType ConversionParameters::*,
                 ByteOrder ConversionParameters::*, Signedness ConversionParameters::*>;

// An option of projconv-batch that sets one parameter, or several given in one
// value (512x512) in the order of their rows.
struct ParameterOption {
  const char* name;  // without the dashes
  const char* valueName;
  const char* description;
  char separator;  // between the parts of a value that sets several parameters
};

// The name of a choice's stored number 0 or 1, and, for a choice that
// projconv-batch takes as two flags (--signed, --unsigned), the help of its flag.
struct ChoiceName {
  const char* name;
  const char* flagHelp;
};

// What the dialog takes for a parameter: a number from `min` to `max`, or for
// text at most `max` characters. Both 0 where it sets no bounds; the engine
// and the other front ends have checks of their own.
struct ParameterRange {
  double min;
  double max;
  bool Bounded() const { return min < max; }
};

// One parameter, as every listing of the parameters names it.
struct ParameterDescriptor {
  ParameterMember member;
  const char* name;  // records and Python keywords
  const char* key;   // the settings file
  StoredForm form;
  const char* firstRun;               // the stored text a first run starts with
  int option;                         // in kParameterOptions; -1 for a choice taken as flags
  const char* part;                   // this parameter's place in a value of several: "width"
  std::array<ChoiceName, 2> choices;  // for a choice: its names for 0 and 1
  const char* label;                  // what the manual pages say of the key; a pair shares one
  int filePlace;                      // where the settings file has it
  ParameterRange range;
};

extern const std::array<ParameterDescriptor, 21> kParameterTable;

// In the order projconv-batch's help lists them.
extern const std::array<ParameterOption, 14> kParameterOptions;

// The rows in the order the settings file holds the keys.
std::array<const ParameterDescriptor*, 21> ParametersInFileOrder();

// The row of `member`.
const ParameterDescriptor& ParameterRow(ParameterMember member);

// The rows option number `option` of kParameterOptions sets, in the order its
// value gives them.
std::vector<const ParameterDescriptor*> ParametersOfOption(int option);

// The whole number the settings file holds for `row`, which is not text.
std::int32_t StoredNumber(const ConversionParameters& p, const ParameterDescriptor& row);

// Sets `row`, which is not text, from the whole number the settings file holds.
void SetFromStoredNumber(ConversionParameters& p, const ParameterDescriptor& row,
                         std::int32_t stored);

// Calls visit(name, value) for each parameter in order, with the text, the
// 32-bit integer (a choice as its stored number) or the float of `p`.
template <typename Visit>
void ForEachNamedValue(const ConversionParameters& p, Visit&& visit) {
  for (const ParameterDescriptor& parameter : kParameterTable) {
    std::visit(
        [&](auto member) {
          const auto& value = p.*member;
          using T = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_enum_v<T>) {
            visit(parameter.name, ChoiceNumber(value));
          } else {
            visit(parameter.name, value);
          }
        },
        parameter.member);
  }
}

}  // namespace projconv
