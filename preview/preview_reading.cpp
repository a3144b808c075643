#include "preview/preview_reading.h"

#include <algorithm>
#include <array>
#include <utility>

#include "form/control_ids.h"
#include "form/converter_exchange.h"
#include "form/data_exchange.h"

namespace projconv {

namespace {

constexpr std::array kInputFields{kIdcInFolderEdit,  kIdcInFormatEdit, kIdcStartNumberEdit,
                                  kIdcHeaderLenEdit, kIdcInSizeXEdit,  kIdcInSizeYEdit};

constexpr std::array kGeometryFields{kIdcOutSizeXEdit, kIdcOutSizeYEdit,   kIdcCropLeftEdit,
                                     kIdcCropTopEdit,  kIdcCropRightEdit,  kIdcCropBottomEdit,
                                     kIdcAngleEdit,    kIdcRotCentreXEdit, kIdcRotCentreYEdit};

// Fields no output sample depends on.
constexpr std::array kIgnoredFields{kIdcOutFolderEdit, kIdcProgressEdit,  kIdcSpare1014Edit,
                                    kIdcSpare1034Edit, kIdcSpare1035Edit, kIdcSpare1036Edit,
                                    kIdcSpare1037Edit};

constexpr std::pair<int, const char*> kFieldNames[] = {
    {kIdcInFolderEdit, "Input folder"},
    {kIdcOutFolderEdit, "Output folder"},
    {kIdcInFormatEdit, "Input name format"},
    {kIdcOutFormatEdit, "Output name format"},
    {kIdcStartNumberEdit, "Start number"},
    {kIdcHeaderLenEdit, "File header length"},
    {kIdcInSizeXEdit, "Input width"},
    {kIdcInSizeYEdit, "Input height"},
    {kIdcOutSizeXEdit, "Output width"},
    {kIdcOutSizeYEdit, "Output height"},
    {kIdcCropLeftEdit, "Crop left"},
    {kIdcCropTopEdit, "Crop top"},
    {kIdcCropRightEdit, "Crop right"},
    {kIdcCropBottomEdit, "Crop bottom"},
    {kIdcAngleEdit, "Angle"},
    {kIdcRotCentreXEdit, "Centre of rotation X"},
    {kIdcRotCentreYEdit, "Centre of rotation Y"},
    {kIdcScaleEdit, "Scale factor"},
};

template <std::size_t N>
bool IsOneOf(int id, const std::array<int, N>& ids) {
  return std::ranges::find(ids, id) != ids.end();
}

template <std::size_t N>
const FieldProblem* FirstIn(const std::vector<FieldProblem>& problems,
                            const std::array<int, N>& ids) {
  const auto it = std::ranges::find_if(
      problems, [&](const FieldProblem& p) { return IsOneOf(p.controlId, ids); });
  return it != problems.end() ? &*it : nullptr;
}

// A text every row of its kind accepts: an empty text is never too long, and
// 0 lies in every numeric range of the exchange.
std::string AcceptedText(ExchangeFailureKind kind) {
  return kind == ExchangeFailureKind::TooLong ? std::string() : std::string("0");
}

}  // namespace

std::string FieldName(int controlId) {
  for (const auto& [id, name] : kFieldNames) {
    if (id == controlId) return name;
  }
  return "Field " + std::to_string(controlId);
}

const FieldProblem* PreviewReading::InputProblem() const {
  return FirstIn(problems, kInputFields);
}

const FieldProblem* PreviewReading::GeometryProblem() const {
  return FirstIn(problems, kGeometryFields);
}

const FieldProblem* PreviewReading::AnyProblem() const {
  return problems.empty() ? nullptr : &problems.front();
}

PreviewReading ReadPreviewValues(ControlTexts texts, const ConverterValues& members) {
  PreviewReading reading;
  std::vector<FieldProblem> refused;
  // Each pass gets one row further: a refused text is replaced by one that
  // is accepted, and the exchange starts again from the members.
  for (std::size_t pass = 0; pass <= kDialogControlIds.size(); ++pass) {
    reading.values = members;
    DataExchange dx(texts, ExchangeDirection::Save);
    ExchangeConverterValues(dx, reading.values);
    if (!dx.failed()) break;
    const ExchangeFailure& failure = *dx.failure();
    refused.push_back({failure.controlId, FieldName(failure.controlId) + ": " + failure.message});
    texts.SetText(failure.controlId, AcceptedText(failure.kind));
  }
  const bool floatSamples = reading.values.sampleType == SampleType::Float32;
  for (FieldProblem& problem : refused) {
    if (IsOneOf(problem.controlId, kIgnoredFields)) continue;
    if (problem.controlId == kIdcScaleEdit && !floatSamples) continue;
    reading.problems.push_back(std::move(problem));
  }
  return reading;
}

}  // namespace projconv
