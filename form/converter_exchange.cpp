#include "form/converter_exchange.h"

#include "form/control_ids.h"

namespace projconv {

namespace {

constexpr std::size_t kMaxTextChars = 256;
constexpr std::int32_t kMaxCount = 10000;
constexpr std::int32_t kMinCorner = -10000;
// The left edge may not go as far out as the other three.
constexpr std::int32_t kMinCropLeft = -1000;
constexpr FloatRange kAngleRange{-180.0f, 180.0f};

void ExchangeNames(DataExchange& dx, ConverterValues& v) {
  dx.Text(kIdcInFolderEdit, v.inFolder, kMaxTextChars);
  dx.Text(kIdcOutFolderEdit, v.outFolder, kMaxTextChars);
  dx.Text(kIdcInFormatEdit, v.inFormat, kMaxTextChars);
  dx.Text(kIdcOutFormatEdit, v.outFormat, kMaxTextChars);
}

void ExchangeCountsAndHiddenControls(DataExchange& dx, ConverterValues& v) {
  dx.Int(kIdcSpare1014Edit, v.spare1014, 0, kMaxCount);
  dx.Int(kIdcStartNumberEdit, v.startNumber, 0, kMaxCount);
  dx.Check(kIdcCropHeaderCheck, v.cropFileHeader);
  dx.Int(kIdcHeaderLenEdit, v.headerLen, 0, kMaxCount);
  dx.Check(kIdcZoomOutCheck, v.zoomOutByTwo);
  dx.Int(kIdcProgressEdit, v.progress, 0, kMaxCount);
  // The output size edits are exchanged here and again further down: when
  // loading the later rows win, when saving both members get the edit's value.
  dx.Int(kIdcOutSizeXEdit, v.outSizeXCopy, 0, kMaxCount);
  dx.Int(kIdcOutSizeYEdit, v.outSizeYCopy, 0, kMaxCount);
  dx.Int(kIdcSpare1034Edit, v.spare1034, 0, kMaxCount);
  dx.Int(kIdcSpare1035Edit, v.spare1035, 0, kMaxCount);
  dx.Int(kIdcSpare1036Edit, v.spare1036, 0, kMaxCount);
  dx.Int(kIdcSpare1037Edit, v.spare1037, 0, kMaxCount);
  dx.Check(kIdcYesCheck, v.yesFlag);
  dx.Check(kIdcTranspositionCheck, v.transposition);
}

void ExchangeInputFormat(DataExchange& dx, ConverterValues& v) {
  dx.Radio(kIdcInteger16Radio, v.sampleType);
  dx.Radio(kIdcLittleEndianRadio, v.byteOrder);
  dx.Radio(kIdcSignedRadio, v.signedness);
}

void ExchangeGeometry(DataExchange& dx, ConverterValues& v) {
  dx.Int(kIdcInSizeXEdit, v.inSizeX, 0, kMaxCount);
  dx.Int(kIdcInSizeYEdit, v.inSizeY, 0, kMaxCount);
  dx.Int(kIdcOutSizeXEdit, v.outSizeX, 0, kMaxCount);
  dx.Int(kIdcOutSizeYEdit, v.outSizeY, 0, kMaxCount);
  dx.Int(kIdcCropRightEdit, v.cropRight, kMinCorner, kMaxCount);
  dx.Int(kIdcCropBottomEdit, v.cropBottom, kMinCorner, kMaxCount);
  dx.Int(kIdcRotCentreXEdit, v.rotCentreX, 0, kMaxCount);
  dx.Float(kIdcAngleEdit, v.angle, kAngleRange);
  dx.Int(kIdcCropLeftEdit, v.cropLeft, kMinCropLeft, kMaxCount);
  dx.Int(kIdcCropTopEdit, v.cropTop, kMinCorner, kMaxCount);
  dx.Int(kIdcRotCentreYEdit, v.rotCentreY, 0, kMaxCount);
  dx.Float(kIdcScaleEdit, v.scale);
}

}  // namespace

void ExchangeConverterValues(DataExchange& dx, ConverterValues& values) {
  ExchangeNames(dx, values);
  ExchangeCountsAndHiddenControls(dx, values);
  ExchangeInputFormat(dx, values);
  ExchangeGeometry(dx, values);
}

}  // namespace projconv
