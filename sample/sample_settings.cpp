#include "sample/sample_settings.h"

#include <map>
#include <string_view>

#include "engine/parameter_table.h"
#include "sample/sample_layout.h"

namespace projconv {

namespace sample {

std::string SettingsValueProblem(const std::string& folder) {
  for (const char c : folder) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "it holds a control character";
    if (std::string_view("\"\\;,").find(c) != std::string_view::npos)
      return std::string("it holds the character '") + c + "'";
  }
  if (!folder.empty() && (folder.front() == ' ' || folder.back() == ' '))
    return "it begins or ends with a blank";
  return {};
}

std::string SettingsText(const std::string& inFolder, const std::string& outFolder) {
  // The stored text of each parameter the sample sets; the others keep
  // their first-run values.
  const std::map<std::string, std::string> values = {
      {"in_folder", inFolder},
      {"out_folder", outFolder},
      {"in_format", kInFormat},
      {"out_format", kOutFormat},
      {"header_len", std::to_string(kHeaderBytes)},
      {"in_size_x", std::to_string(kWidth)},
      {"in_size_y", std::to_string(kHeight)},
      {"out_size_x", std::to_string(kOutWidth)},
      {"out_size_y", std::to_string(kOutHeight)},
      {"crop_left", std::to_string(kCropLeft)},
      {"crop_top", std::to_string(kCropTop)},
      {"crop_right", std::to_string(kCropRight)},
      {"crop_bottom", std::to_string(kCropBottom)},
      {"rot_centre_x", std::to_string(kCentreX)},
      {"rot_centre_y", std::to_string(kCentreY)},
      {"angle", std::to_string(kRollMillionths)},  // millionths of a degree
  };
  std::string text = "[Qarmo_Convertor]\n";
  for (const ParameterDescriptor* key : ParametersInFileOrder()) {
    const auto value = values.find(key->name);
    text += std::string(key->key) + "=" + (value != values.end() ? value->second : key->firstRun) +
            "\n";
  }
  return text;
}

}  // namespace sample

}  // namespace projconv
