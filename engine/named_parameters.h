#pragma once

// The parameters under the names a record of a batch gives them: the HDF5
// output's attributes, the sidecar file and the Python module's dictionaries
// all use these, in this order, so that one reader serves them all.

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>

#include "engine/conversion_parameters.h"

namespace projconv {

struct NamedParameter {
  const char* name;
  std::variant<std::string ConversionParameters::*, std::int32_t ConversionParameters::*,
               float ConversionParameters::*, SampleType ConversionParameters::*,
               ByteOrder ConversionParameters::*, Signedness ConversionParameters::*>
      member;
};

extern const std::array<NamedParameter, 21> kNamedParameters;

// Calls visit(name, value) for each parameter in order, with the text, the
// 32-bit integer (a choice as its stored number) or the float of `p`.
template <typename Visit>
void ForEachNamedValue(const ConversionParameters& p, Visit&& visit) {
  for (const NamedParameter& parameter : kNamedParameters) {
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
