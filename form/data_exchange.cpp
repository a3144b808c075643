#include "form/data_exchange.h"

#include <utility>

#include "form/number_text.h"

namespace projconv {

namespace {

std::string RangeMessage(const std::string& min, const std::string& max) {
  return "Please enter a number between " + min + " and " + max + ".";
}

}  // namespace

std::size_t Utf8Length(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) {
    // Continuation bytes (10xxxxxx) belong to the character before them.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

DataExchange::DataExchange(ControlSet& controls, ExchangeDirection direction)
    : controls_(controls), direction_(direction) {}

bool DataExchange::BeginRow() {
  if (failed()) return false;
  ++row_;
  return true;
}

void DataExchange::Fail(int id, ExchangeFailureKind kind, std::string message) {
  failure_ = ExchangeFailure{row_, id, kind, std::move(message)};
  controls_.ReportFailure(failure_->message);
  controls_.MoveFocus(id);
}

void DataExchange::Text(int id, std::string& member, std::size_t maxChars) {
  if (!BeginRow()) return;
  if (!saving()) {
    controls_.SetText(id, member);
    return;
  }
  member = controls_.Text(id);
  if (Utf8Length(member) > maxChars) {
    Fail(id, ExchangeFailureKind::TooLong,
         "Please enter no more than " + std::to_string(maxChars) + " characters.");
  }
}

void DataExchange::Int(int id, std::int32_t& member, std::int32_t min, std::int32_t max) {
  if (!BeginRow()) return;
  if (!saving()) {
    controls_.SetText(id, IntToText(member));
    return;
  }
  const std::optional<std::int32_t> value = TextToInt(controls_.Text(id));
  if (!value) {
    Fail(id, ExchangeFailureKind::NotAWholeNumber, "Please enter a whole number.");
    return;
  }
  member = *value;
  if (member < min || member > max) {
    Fail(id, ExchangeFailureKind::OutOfRange, RangeMessage(IntToText(min), IntToText(max)));
  }
}

void DataExchange::Float(int id, float& member, std::optional<FloatRange> range) {
  if (!BeginRow()) return;
  if (!saving()) {
    controls_.SetText(id, FloatToText(member));
    return;
  }
  const std::optional<float> value = TextToFloat(controls_.Text(id));
  if (!value) {
    Fail(id, ExchangeFailureKind::NotANumber, "Please enter a number.");
    return;
  }
  member = *value;
  if (range && (member < range->min || member > range->max)) {
    Fail(id, ExchangeFailureKind::OutOfRange,
         RangeMessage(FloatToText(range->min), FloatToText(range->max)));
  }
}

void DataExchange::Check(int id, std::int32_t& member) {
  if (!BeginRow()) return;
  if (saving()) {
    member = controls_.CheckState(id);
    return;
  }
  // A value that is no check state shows as unchecked; the member is kept.
  const bool isState = member >= 0 && member <= 2;
  controls_.SetCheckState(id, isState ? member : 0);
}

void DataExchange::Radio(int firstId, std::int32_t& member) {
  if (!BeginRow()) return;
  if (saving()) {
    member = controls_.RadioIndex(firstId);
  } else {
    controls_.SetRadioIndex(firstId, member);
  }
}

}  // namespace projconv
