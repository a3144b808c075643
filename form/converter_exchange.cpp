#include "form/converter_exchange.h"

#include "engine/parameter_table.h"
#include "form/control_ids.h"

namespace projconv {

namespace {

using S = ConversionParameters;

// The hidden controls' bound, which is also the counts' in the table.
constexpr std::int32_t kMaxCount = 10000;

// Each parameter's field takes what the parameter table gives as its range.
void Text(DataExchange& dx, int id, std::string& value, std::string S::*member) {
  dx.Text(id, value, std::size_t(ParameterRow(member).range.max));
}

template <typename Member>
void Int(DataExchange& dx, int id, std::int32_t& value, Member member) {
  const ParameterRange range = ParameterRow(member).range;
  dx.Int(id, value, std::int32_t(range.min), std::int32_t(range.max));
}

void ExchangeNames(DataExchange& dx, ConverterValues& v) {
  Text(dx, kIdcInFolderEdit, v.inFolder, &S::inFolder);
  Text(dx, kIdcOutFolderEdit, v.outFolder, &S::outFolder);
  Text(dx, kIdcInFormatEdit, v.inFormat, &S::inFormat);
  Text(dx, kIdcOutFormatEdit, v.outFormat, &S::outFormat);
}

void ExchangeCountsAndHiddenControls(DataExchange& dx, ConverterValues& v) {
  dx.Int(kIdcSpare1014Edit, v.spare1014, 0, kMaxCount);
  Int(dx, kIdcStartNumberEdit, v.startNumber, &S::startNumber);
  dx.Check(kIdcCropHeaderCheck, v.cropFileHeader);
  Int(dx, kIdcHeaderLenEdit, v.headerLen, &S::headerLen);
  dx.Check(kIdcZoomOutCheck, v.zoomOutByTwo);
  dx.Int(kIdcProgressEdit, v.progress, 0, kMaxCount);
  // The output size edits are exchanged here and again further down: when
  // loading the later rows win, when saving both members get the edit's value.
  Int(dx, kIdcOutSizeXEdit, v.outSizeXCopy, &S::outSizeX);
  Int(dx, kIdcOutSizeYEdit, v.outSizeYCopy, &S::outSizeY);
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
  Int(dx, kIdcInSizeXEdit, v.inSizeX, &S::inSizeX);
  Int(dx, kIdcInSizeYEdit, v.inSizeY, &S::inSizeY);
  Int(dx, kIdcOutSizeXEdit, v.outSizeX, &S::outSizeX);
  Int(dx, kIdcOutSizeYEdit, v.outSizeY, &S::outSizeY);
  Int(dx, kIdcCropRightEdit, v.cropRight, &S::cropRight);
  Int(dx, kIdcCropBottomEdit, v.cropBottom, &S::cropBottom);
  Int(dx, kIdcRotCentreXEdit, v.rotCentreX, &S::rotCentreX);
  const ParameterRange degrees = ParameterRow(&S::angle).range;
  dx.Float(kIdcAngleEdit, v.angle, FloatRange{float(degrees.min), float(degrees.max)});
  Int(dx, kIdcCropLeftEdit, v.cropLeft, &S::cropLeft);
  Int(dx, kIdcCropTopEdit, v.cropTop, &S::cropTop);
  Int(dx, kIdcRotCentreYEdit, v.rotCentreY, &S::rotCentreY);
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
