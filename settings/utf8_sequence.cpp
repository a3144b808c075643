#include "settings/utf8_sequence.h"

namespace projconv {

namespace {

bool Continues(std::string_view bytes, std::size_t at, unsigned char low = 0x80,
               unsigned char high = 0xBF) {
  if (at >= bytes.size()) return false;
  const auto byte = static_cast<unsigned char>(bytes[at]);
  return byte >= low && byte <= high;
}

}  // namespace

// No overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return Continues(bytes, at + 1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return Continues(bytes, at + 1, low, high) && Continues(bytes, at + 2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return Continues(bytes, at + 1, low, high) && Continues(bytes, at + 2) &&
                   Continues(bytes, at + 3)
               ? 4
               : 0;
  }
  return 0;
}

bool IsUtf8(std::string_view name) {
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = Utf8SequenceAt(name, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace projconv
