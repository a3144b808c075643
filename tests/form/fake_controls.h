#pragma once

// A dialog's controls as plain tables, for exercising the exchange without
// widgets. Radio groups hold two buttons, as every group of the converter
// dialog does.

#include <map>
#include <string>
#include <vector>

#include "form/control_set.h"

namespace projconv {

class FakeControls : public ControlSet {
 public:
  std::string Text(int id) const override;
  void SetText(int id, const std::string& text) override { texts[id] = text; }
  int CheckState(int id) const override;
  void SetCheckState(int id, int state) override { checks[id] = state; }
  int RadioIndex(int firstId) const override;
  void SetRadioIndex(int firstId, int index) override;
  void MoveFocus(int id) override { focus = id; }
  void ReportFailure(const std::string& message) override { messages.push_back(message); }

  static constexpr int kRadioGroupSize = 2;

  std::map<int, std::string> texts;
  std::map<int, int> checks;
  std::map<int, int> radios;  // first identifier -> selected index, -1 for none
  int focus = 0;
  std::vector<std::string> messages;
};

}  // namespace projconv
