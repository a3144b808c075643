#include "settings/stray_bytes.h"

#include <algorithm>
#include <cstdio>

#include "settings/utf8_sequence.h"

namespace projconv {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void AppendEscape(std::string& out, unsigned code) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\x%x", code);
  out += escape;
}

}  // namespace

std::string EscapedStrayBytes(std::string_view all) {
  if (IsUtf8(all)) return std::string(all);
  std::string out;
  bool inValue = false;
  bool escaping = false;
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t length = Utf8SequenceAt(all, at);
    escaping = inValue && (length == 0 || (escaping && length == 1 && IsHexDigit(all[at])));
    if (escaping) {
      AppendEscape(out, (length == 0 ? 0xDC00u : 0u) + static_cast<unsigned char>(all[at]));
      ++at;
      continue;
    }
    // A backslash in a key is a group's slash, so a key keeps its stray
    // bytes, and is reported as no setting's.
    inValue = all[at] == '\n' ? false : inValue || all[at] == '=';
    const std::size_t taken = std::max<std::size_t>(length, 1);  // a stray byte of a key
    out.append(all.data() + at, taken);
    at += taken;
  }
  return out;
}

}  // namespace projconv
