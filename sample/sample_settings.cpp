#include "sample/sample_settings.h"

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

ConversionParameters SampleParameters(const std::string& inFolder, const std::string& outFolder) {
  ConversionParameters p;
  p.inFolder = inFolder;
  p.outFolder = outFolder;
  p.inFormat = kInFormat;
  p.outFormat = kOutFormat;
  p.headerLen = kHeaderBytes;
  p.inSizeX = kWidth;
  p.inSizeY = kHeight;
  p.outSizeX = kOutWidth;
  p.outSizeY = kOutHeight;
  p.cropLeft = kCropLeft;
  p.cropTop = kCropTop;
  p.cropRight = kCropRight;
  p.cropBottom = kCropBottom;
  p.rotCentreX = kCentreX;
  p.rotCentreY = kCentreY;
  p.angle = float(kRollDegrees);
  return p;
}

std::string SettingsText(const std::string& inFolder, const std::string& outFolder) {
  const ConversionParameters p = SampleParameters(inFolder, outFolder);
  std::string text = "[Qarmo_Convertor]\n";
  for (const ParameterDescriptor* key : ParametersInFileOrder()) {
    const auto* member = std::get_if<std::string ConversionParameters::*>(&key->member);
    text += std::string(key->key) + "=" +
            (member ? p.**member : std::to_string(StoredNumber(p, *key))) + "\n";
  }
  return text;
}

}  // namespace sample

}  // namespace projconv
