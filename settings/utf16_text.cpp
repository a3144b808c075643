#include "settings/utf16_text.h"

#include "settings/utf8_sequence.h"

namespace projconv {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

bool IsHigh(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code point of the sequence of `length` bytes at `at`.
char32_t DecodeAt(std::string_view bytes, std::size_t at, std::size_t length) {
  const auto byte = [&](std::size_t k) { return char32_t(static_cast<unsigned char>(bytes[k])); };
  if (length == 1) return byte(at);
  const char32_t lead = byte(at) & (0x7F >> length);
  char32_t code = lead;
  for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (byte(at + k) & 0x3F);
  return code;
}

void AppendCodePoint(std::u16string& text, char32_t code) {
  if (code < 0x10000) {
    text += char16_t(code);
    return;
  }
  code -= 0x10000;
  text += char16_t(0xD800 + (code >> 10));
  text += char16_t(0xDC00 + (code & 0x3FF));
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

// Decodes `bytes`, giving each stray byte to `stray`.
template <typename Stray>
std::u16string Decode(std::string_view bytes, Stray stray) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceAt(bytes, at);
    if (length == 0) {
      text += stray(static_cast<unsigned char>(bytes[at++]));
      continue;
    }
    AppendCodePoint(text, DecodeAt(bytes, at, length));
    at += length;
  }
  return text;
}

// Encodes `text`; a lone surrogate goes to `lone`.
template <typename Lone>
std::string Encode(std::u16string_view text, Lone lone) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char16_t unit = text[at];
    if (IsHigh(unit) && at + 1 < text.size() && IsLow(text[at + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00));
      ++at;
    } else if (IsHigh(unit) || IsLow(unit)) {
      out += lone(unit);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace

std::u16string Utf16OfUtf8(std::string_view bytes) {
  return Decode(bytes, [](unsigned char) { return kReplacement; });
}

std::string Utf8OfUtf16(std::u16string_view text) {
  return Encode(text, [](char16_t) { return '?'; });
}

std::u16string TextOfName(std::string_view name) {
  return Decode(name, [](unsigned char byte) { return char16_t(kEscapeBase + byte); });
}

std::string NameOfUtf16(std::u16string_view text) {
  return Encode(text, [](char16_t unit) {
    const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
    return escaped ? char(unit - kEscapeBase) : '?';
  });
}

bool IsSpaceUnit(char16_t unit) {
  if (unit == 0x20 || (unit >= 0x09 && unit <= 0x0D) || unit == 0x85 || unit == 0xA0) return true;
  return unit == 0x1680 || (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 || unit == 0x2029 ||
         unit == 0x202F || unit == 0x205F || unit == 0x3000;
}

}  // namespace projconv
