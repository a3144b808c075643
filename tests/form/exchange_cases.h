#pragma once

// Cases of the converter dialog's exchange, run both over fake controls and
// over the real widgets: the rules must not depend on the toolkit.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "form/converter_values.h"

namespace projconv {

// One dialog's members and controls behind the exchange.
class ExchangeHarness {
 public:
  virtual ~ExchangeHarness() = default;
  virtual ConverterValues& values() = 0;
  // A loading (save false) or saving exchange; false when a value was refused.
  virtual bool Exchange(bool save) = 0;
  // What the user typed into an edit, and what an edit shows.
  virtual void Type(int id, const std::string& text) = 0;
  virtual std::string Shown(int id) = 0;
  virtual int CheckShown(int id) = 0;
  virtual int RadioShown(int firstId) = 0;
  virtual int FocusedControl() = 0;
  // Messages shown since the last call.
  virtual std::vector<std::string> TakeMessages() = 0;
  // The refused row, where the harness can tell it.
  virtual std::optional<int> FailedRow() = 0;
};

// One member compared between two sets of values.
struct Probe {
  const char* member;
  std::function<bool(const ConverterValues&, const ConverterValues&)> equal;
};

// The controls show NewValues(), the members hold OldValues(), the user types
// one text; then the dialog saves. Every member of a row before the refused
// one must hold its new value, every member after it its old one.
struct SaveCase {
  std::string name;
  int controlId;
  std::string typed;
  std::vector<int> rows;  // the rows whose members the typed text goes to
  bool refused;           // refused at rows.front()
  std::string message;    // what the user is told when refused
  std::function<bool(const ConverterValues&)> typedMember;  // its value afterwards
};

// Names the case in test output rather than dumping its bytes.
void PrintTo(const SaveCase& c, std::ostream* os);

ConverterValues OldValues();
ConverterValues NewValues();
const std::vector<SaveCase>& SaveCases();

void RunSaveCase(ExchangeHarness& h, const SaveCase& c);
void CheckRadioGroups(ExchangeHarness& h);
void CheckCheckBoxes(ExchangeHarness& h);
void CheckOutputSizeExchangedTwice(ExchangeHarness& h);
void CheckFloatsSurviveLoadAndSave(ExchangeHarness& h);

}  // namespace projconv
