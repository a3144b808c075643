#pragma once

// What a dialog's controls show at one moment: texts, check states and radio
// selections by identifier. A saving exchange run on it reads what the user
// has typed exactly as the dialog would, without touching the controls, their
// focus, or the members they feed.

#include <map>
#include <string>

#include "form/control_set.h"

namespace projconv {

class ControlTexts : public ControlSet {
 public:
  std::string Text(int id) const override;  // empty for a control never set
  void SetText(int id, const std::string& text) override;
  int CheckState(int id) const override;
  void SetCheckState(int id, int state) override;
  int RadioIndex(int firstId) const override;  // -1 for a group never set
  void SetRadioIndex(int firstId, int index) override;

  // A snapshot has no focus to move and nobody to tell: the exchange's
  // failure() says what was refused.
  void MoveFocus(int) override {}
  void ReportFailure(const std::string&) override {}

  bool operator==(const ControlTexts& other) const;

 private:
  std::map<int, std::string> texts_;
  std::map<int, int> checks_;
  std::map<int, int> radios_;
};

}  // namespace projconv
