#include "tests/form/fake_controls.h"

namespace projconv {

std::string FakeControls::Text(int id) const {
  const auto it = texts.find(id);
  return it == texts.end() ? std::string() : it->second;
}

int FakeControls::CheckState(int id) const {
  const auto it = checks.find(id);
  return it == checks.end() ? 0 : it->second;
}

int FakeControls::RadioIndex(int firstId) const {
  const auto it = radios.find(firstId);
  return it == radios.end() ? -1 : it->second;
}

void FakeControls::SetRadioIndex(int firstId, int index) {
  radios[firstId] = (index >= 0 && index < kRadioGroupSize) ? index : -1;
}

}  // namespace projconv
