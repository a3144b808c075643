#include "preview/control_texts.h"

namespace projconv {

std::string ControlTexts::Text(int id) const {
  const auto it = texts_.find(id);
  return it != texts_.end() ? it->second : std::string();
}

void ControlTexts::SetText(int id, const std::string& text) {
  texts_[id] = text;
}

int ControlTexts::CheckState(int id) const {
  const auto it = checks_.find(id);
  return it != checks_.end() ? it->second : 0;
}

void ControlTexts::SetCheckState(int id, int state) {
  checks_[id] = state;
}

int ControlTexts::RadioIndex(int firstId) const {
  const auto it = radios_.find(firstId);
  return it != radios_.end() ? it->second : -1;
}

void ControlTexts::SetRadioIndex(int firstId, int index) {
  radios_[firstId] = index;
}

bool ControlTexts::operator==(const ControlTexts& other) const {
  return texts_ == other.texts_ && checks_ == other.checks_ && radios_ == other.radios_;
}

}  // namespace projconv
