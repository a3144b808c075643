#pragma once

// Two-way exchange between a dialog's members and its controls. A dialog lists
// its rows once, in order; the same list loads the controls from the members
// or saves the controls into the members, validating each value as it goes.
//
// Saving stops at the first value that is refused: the members of earlier
// rows already hold their new values, later rows are left alone. A refused
// row's member keeps its old value when the text is not a number, and takes
// the new value when only the range or length check fails, since the value is
// stored before it is checked. The user is told once, and the focus moves to
// the control to correct.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "form/control_set.h"

namespace projconv {

enum class ExchangeDirection {
  Load,  // members -> controls
  Save,  // controls -> members, with validation
};

enum class ExchangeFailureKind {
  NotAWholeNumber,
  NotANumber,
  OutOfRange,
  TooLong,
};

struct ExchangeFailure {
  int row = 0;  // 1-based position of the refused row in the exchange
  int controlId = 0;
  ExchangeFailureKind kind = ExchangeFailureKind::NotANumber;
  std::string message;
};

struct FloatRange {
  float min;
  float max;
};

class DataExchange {
 public:
  DataExchange(ControlSet& controls, ExchangeDirection direction);

  bool saving() const { return direction_ == ExchangeDirection::Save; }
  bool failed() const { return failure_.has_value(); }
  const std::optional<ExchangeFailure>& failure() const { return failure_; }

  // A text of at most maxChars characters (UTF-8 code points).
  void Text(int id, std::string& member, std::size_t maxChars);
  // A whole number within [min, max].
  void Int(int id, std::int32_t& member, std::int32_t min, std::int32_t max);
  // A float, within the range when one is given.
  void Float(int id, float& member, std::optional<FloatRange> range = std::nullopt);
  // A check box's state (0, 1 or 2).
  void Check(int id, std::int32_t& member);
  // The selected button of the radio group that starts at firstId; -1 when none.
  void Radio(int firstId, std::int32_t& member);
  // The same for a choice held as an enum: the button's index is its number.
  template <typename Choice>
  requires std::is_enum_v<Choice>
  void Radio(int firstId, Choice& member) {
    auto index = static_cast<std::int32_t>(member);
    Radio(firstId, index);
    member = static_cast<Choice>(index);
  }

 private:
  // Counts the row and tells whether it should run at all.
  bool BeginRow();
  void Fail(int id, ExchangeFailureKind kind, std::string message);

  ControlSet& controls_;
  ExchangeDirection direction_;
  int row_ = 0;
  std::optional<ExchangeFailure> failure_;
};

// Number of characters in a UTF-8 text: its code points, not its bytes.
std::size_t Utf8Length(const std::string& text);

}  // namespace projconv
