#include "dialog_settings.h"

namespace {

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}
QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text);
}

// Both directions walk the same list, so a member cannot be forgotten in one
// of them.
template <typename Settings, typename Values, typename Text, typename Copy>
void Transfer(Settings& s, Values& v, Text text, Copy copy) {
  text(s.inFolder, v.inFolder);
  text(s.outFolder, v.outFolder);
  text(s.inFormat, v.inFormat);
  text(s.outFormat, v.outFormat);
  copy(s.headerLen, v.headerLen);
  copy(s.startNumber, v.startNumber);
  copy(s.sampleType, v.sampleType);
  copy(s.byteOrder, v.byteOrder);
  copy(s.signedness, v.signedness);
  copy(s.inSizeX, v.inSizeX);
  copy(s.inSizeY, v.inSizeY);
  copy(s.outSizeX, v.outSizeX);
  copy(s.outSizeY, v.outSizeY);
  copy(s.cropLeft, v.cropLeft);
  copy(s.cropTop, v.cropTop);
  copy(s.cropRight, v.cropRight);
  copy(s.cropBottom, v.cropBottom);
  copy(s.rotCentreX, v.rotCentreX);
  copy(s.rotCentreY, v.rotCentreY);
  copy(s.angle, v.angle);
  copy(s.scale, v.scale);
}

}  // namespace

void LoadIntoDialog(const ConverterSettings& settings, ConverterValues& values) {
  Transfer(
      settings, values, [](const QString& from, std::string& to) { to = Utf8(from); },
      [](const auto& from, auto& to) { to = from; });
}

ConverterSettings SettingsOfDialog(const ConverterValues& values) {
  ConverterSettings settings;
  Transfer(
      settings, values, [](QString& to, const std::string& from) { to = FromUtf8(from); },
      [](auto& to, const auto& from) { to = from; });
  return settings;
}
