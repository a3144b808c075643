#include "settings/name_text.h"

#include <cstddef>

namespace projconv {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool Continues(std::string_view bytes, std::size_t at, unsigned char low = 0x80,
               unsigned char high = 0xBF) {
  if (at >= bytes.size()) return false;
  const auto byte = static_cast<unsigned char>(bytes[at]);
  return byte >= low && byte <= high;
}

bool IsEscapedByte(char16_t unit) {
  return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF, so that
// every byte string decodes one way and encodes back the same.
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

QString NameToText(std::string_view name) {
  QString text;
  text.reserve(qsizetype(name.size()));
  std::size_t runStart = 0;
  auto flush = [&](std::size_t end) {
    text += QString::fromUtf8(name.data() + runStart, qsizetype(end - runStart));
  };
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = Utf8SequenceAt(name, at);
    if (length > 0) {
      at += length;
      continue;
    }
    flush(at);
    text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(name[at])));
    runStart = ++at;
  }
  flush(name.size());
  return text;
}

std::string NameOfText(QStringView text) {
  std::string name;
  name.reserve(std::size_t(text.size()));
  qsizetype runStart = 0;
  auto flush = [&](qsizetype end) {
    const QByteArray run = text.sliced(runStart, end - runStart).toUtf8();
    name.append(run.constData(), std::size_t(run.size()));
  };
  for (qsizetype at = 0; at < text.size(); ++at) {
    // A low surrogate after a high one is half of a pair, not an escape.
    const bool paired = at > 0 && text[at - 1].isHighSurrogate();
    if (!IsEscapedByte(text[at].unicode()) || paired) continue;
    flush(at);
    name += static_cast<char>(text[at].unicode() - kEscapeBase);
    runStart = at + 1;
  }
  flush(text.size());
  return name;
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
