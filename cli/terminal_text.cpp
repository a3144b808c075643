#include "cli/terminal_text.h"

#include <cstdio>

namespace projconv {

namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  char code[5];
  std::snprintf(code, sizeof code, "\\x%02x", byte);
  out += code;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto byte = static_cast<unsigned char>(text[k]);
    const bool c0 = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
    const bool c1 = byte == 0xC2 && k + 1 < text.size() &&
                    static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[k + 1]) <= 0x9F;
    if (c1) {
      AppendEscaped(out, byte);
      AppendEscaped(out, static_cast<unsigned char>(text[++k]));
    } else if (c0) {
      AppendEscaped(out, byte);
    } else {
      out += text[k];
    }
  }
  return out;
}

}  // namespace projconv
