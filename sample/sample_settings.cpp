#include "sample/sample_settings.h"

#include <string_view>
#include <utility>
#include <vector>

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
  const std::vector<std::pair<const char*, std::string>> keys = {
      {"ProjInFolder", inFolder},
      {"ProjOutFolder", outFolder},
      {"ProjInFormat", kInFormat},
      {"ProjOutFormat", kOutFormat},
      {"HeaderLen", std::to_string(kHeaderBytes)},
      {"ProjInStartNum", "0"},
      {"Type", "0"},    // 16-bit integer samples
      {"Endian", "0"},  // little endian
      {"Signed", "0"},  // signed
      {"InProjSizeX", std::to_string(kWidth)},
      {"InProjSizeY", std::to_string(kHeight)},
      {"OutProjSizeX", std::to_string(kOutWidth)},
      {"OutProjSizeY", std::to_string(kOutHeight)},
      {"UpLeftCornerX", std::to_string(kCropLeft)},
      {"UpLeftCornerY", std::to_string(kCropTop)},
      {"DownRightCornerX", std::to_string(kCropRight)},
      {"DownRightCornerY", std::to_string(kCropBottom)},
      {"RotatCtrX", std::to_string(kCentreX)},
      {"RotatCtrY", std::to_string(kCentreY)},
      {"Rotatangle", std::to_string(kRollMillionths)},  // millionths of a degree
      {"Scale", "1000"},                                // thousandths; unused for 16-bit input
  };
  std::string text = "[Qarmo_Convertor]\n";
  for (const auto& [key, value] : keys) text += std::string(key) + "=" + value + "\n";
  return text;
}

}  // namespace sample

}  // namespace projconv
