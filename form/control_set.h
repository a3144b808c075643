#pragma once

// What the data exchange needs of a dialog's controls, reached by identifier.
// The Qt dialog binds it to its widgets; tests bind it to plain tables.

#include <string>

namespace projconv {

class ControlSet {
 public:
  virtual ~ControlSet() = default;

  // Text of an edit (or any control with a text), as UTF-8.
  virtual std::string Text(int id) const = 0;
  virtual void SetText(int id, const std::string& text) = 0;

  // Check box state: 0 unchecked, 1 checked, 2 indeterminate.
  virtual int CheckState(int id) const = 0;
  virtual void SetCheckState(int id, int state) = 0;

  // Radio groups are named by their first button. The index counts the
  // group's buttons from 0; -1 means none is selected. Setting an index that
  // is not one of the group's buttons leaves none selected.
  virtual int RadioIndex(int firstId) const = 0;
  virtual void SetRadioIndex(int firstId, int index) = 0;

  // Puts the keyboard focus on a control (and selects an edit's text), so the
  // user lands on the value to correct.
  virtual void MoveFocus(int id) = 0;

  // Tells the user why a value was refused.
  virtual void ReportFailure(const std::string& message) = 0;
};

}  // namespace projconv
