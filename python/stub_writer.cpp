// Writes projconv.pyi, the type stub installed beside the module, from its
// source and the parameter table: the line "# settings fields" becomes the
// fields of the dict read_settings gives, and "# settings keywords" the
// keywords run_batch takes, each parameter then each correction keyword in
// order, so that the stub cannot fall behind the module.
//   projconv_python_stub SOURCE OUTPUT

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <type_traits>
#include <variant>

#include "engine/parameter_table.h"
#include "python/correction_keywords.h"

namespace projconv {

namespace {

constexpr const char* kFieldsMarker = "# settings fields";
constexpr const char* kKeywordsMarker = "# settings keywords";

std::string NumberText(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

// What the dialog takes, for the reader of a field.
std::string RangeComment(const ParameterDescriptor& row) {
  if (!row.range.Bounded() || row.choices[0].name != nullptr) return "";
  if (row.form == StoredForm::Text) {
    return "  # the dialog takes at most " + NumberText(row.range.max) + " characters";
  }
  return "  # the dialog takes " + NumberText(row.range.min) + " to " + NumberText(row.range.max);
}

// The type of a parameter in the dict (`given` false) or as a keyword.
std::string TypeOf(const ParameterDescriptor& row, bool given) {
  return std::visit(
      [&](auto member) -> std::string {
        using T = std::remove_cvref_t<decltype(ConversionParameters{}.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          const bool folder = std::strcmp(kParameterOptions[row.option].valueName, "FOLDER") == 0;
          return given && folder ? "_Path" : "str";
        } else if constexpr (std::is_same_v<T, float>) {
          return "float";
        } else if constexpr (std::is_enum_v<T>) {
          return given ? std::string("int | Literal[\"") + row.choices[0].name + "\", \"" +
                             row.choices[1].name + "\"]"
                       : "int";
        } else {
          return "int";
        }
      },
      row.member);
}

std::string TypeOf(const CorrectionKeyword& row, bool given) {
  switch (row.value) {
    case CorrectionValue::Pattern:
      return given ? "_Path" : "str";
    case CorrectionValue::First:
    case CorrectionValue::Count:
      return "int";
    case CorrectionValue::Combine:
      return "Literal[\"mean\", \"median\"]";
    case CorrectionValue::Mode:
      return "Literal[\"transmission\", \"attenuation\"]";
    case CorrectionValue::Scale:
      return "float | None";
  }
  return "Any";
}

std::string Fields() {
  std::string text;
  for (const ParameterDescriptor& row : kParameterTable) {
    text += "    " + std::string(row.name) + ": " + TypeOf(row, false) + RangeComment(row) + "\n";
  }
  for (const CorrectionKeyword& row : kCorrectionKeywords) {
    text += "    " + std::string(row.name) + ": " + TypeOf(row, false) + "  # [Correction] " +
            row.key + "\n";
  }
  return text;
}

std::string Keywords() {
  std::string text;
  for (const ParameterDescriptor& row : kParameterTable) {
    text += "    " + std::string(row.name) + ": " + TypeOf(row, true) + " = ...,\n";
  }
  for (const CorrectionKeyword& row : kCorrectionKeywords) {
    text += "    " + std::string(row.name) + ": " + TypeOf(row, true) + " = ...,\n";
  }
  return text;
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: projconv_python_stub SOURCE OUTPUT\n";
    return 2;
  }
  std::ifstream source(argv[1]);
  std::string stub;
  int markers = 0;
  for (std::string line; std::getline(source, line);) {
    if (line == projconv::kFieldsMarker || line == projconv::kKeywordsMarker) {
      stub += line == projconv::kFieldsMarker ? projconv::Fields() : projconv::Keywords();
      ++markers;
    } else {
      stub += line + "\n";
    }
  }
  if (!source.eof() || markers != 2) {
    std::cerr << "projconv_python_stub: " << argv[1] << " cannot be read or lacks its markers\n";
    return 1;
  }
  std::ofstream output(argv[2]);
  output << stub;
  output.close();
  if (!output) {
    std::cerr << "projconv_python_stub: " << argv[2] << " cannot be written\n";
    return 1;
  }
  return 0;
}
