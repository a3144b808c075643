#include "containers/output_type.h"

#include <array>
#include <utility>

namespace projconv {

namespace {

constexpr std::array<std::pair<OutputType, std::string_view>, 4> kNames{{
    {OutputType::Raw, "raw"},
    {OutputType::Tiff, "tiff"},
    {OutputType::TiffStack, "tiff-stack"},
    {OutputType::Hdf5, "hdf5"},
}};

}  // namespace

std::string_view OutputTypeName(OutputType type) {
  for (const auto& [each, name] : kNames) {
    if (each == type) return name;
  }
  return "raw";
}

std::optional<OutputType> OutputTypeNamed(std::string_view name) {
  for (const auto& [type, each] : kNames) {
    if (each == name) return type;
  }
  return std::nullopt;
}

}  // namespace projconv
