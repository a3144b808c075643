#include "settings/name_text.h"

#include <cstddef>

namespace projconv {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) {
  return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

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

}  // namespace projconv
