#include "settings/ini_syntax.h"

#include <cstdint>

#include "settings/utf16_text.h"

namespace projconv {

namespace {

bool IsLineSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsSpecial(char c) {
  return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

bool IsAsciiSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsHexUnit(char16_t c) {
  return c < 0x80 && IsHex(char(c));
}

bool IsAsciiSpaceUnit(char16_t c) {
  return c < 0x80 && IsAsciiSpace(char(c));
}

// A whole unsigned hex number as the key's escapes are read: blanks around
// it, a '+' and a "0x" allowed; nothing when any other character is there.
bool HexNumber(std::u16string_view digits, std::int64_t& value) {
  std::size_t at = 0;
  while (at < digits.size() && IsAsciiSpaceUnit(digits[at])) ++at;
  if (at < digits.size() && digits[at] == u'+') ++at;
  const std::u16string_view prefix = digits.substr(at, 2);
  if ((prefix == u"0x" || prefix == u"0X") && at + 2 < digits.size() && IsHexUnit(digits[at + 2])) {
    at += 2;
  }
  const std::size_t first = at;
  value = 0;
  while (at < digits.size() && IsHexUnit(digits[at])) {
    value = value * 16 + HexValue(char(digits[at++]));
  }
  if (at == first) return false;
  while (at < digits.size() && IsAsciiSpaceUnit(digits[at])) ++at;
  return at == digits.size();
}

// Skips the line end a backslash escapes: \n, \r, \r\n or \n\r.
void SkipEscapedLineEnd(std::string_view data, std::size_t& i, char end) {
  if (i < data.size()) {
    const char next = data[i];
    if ((next == '\n' || next == '\r') && next != end) ++i;
  }
}

void ChopTrailingBlanks(std::u16string& text, std::size_t limit) {
  while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
}

// The value's state while it is read.
struct ValueReader {
  explicit ValueReader(std::string_view value) : str(value) {}

  std::string_view str;
  std::size_t i = 0;
  IniText result;
  bool inQuotes = false;
  bool quoted = false;  // the current item had a quote
  std::size_t chopLimit = 0;

  void SkipBlanks() {
    while (i < str.size() && (str[i] == ' ' || str[i] == '\t')) ++i;
  }
  // A numeric escape's digits, from `i` on; the unit wraps as Qt's does.
  void Numeric(char16_t value, int base) {
    for (; i < str.size(); ++i) {
      const char c = str[i];
      const bool digit = base == 16 ? IsHex(c) : (c >= '0' && c <= '7');
      if (!digit) break;
      value = char16_t(value * base + HexValue(c));
    }
    result.text += value;
  }
  void Escape() {
    static constexpr char kCodes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                         {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                         {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const char c = str[i++];
    for (const auto& code : kCodes) {
      if (c == code[0]) {
        result.text += char16_t(code[1]);
        chopLimit = result.text.size();
        return;
      }
    }
    if (c == 'x' && i < str.size() && IsHex(str[i])) {
      Numeric(0, 16);
    } else if (c >= '0' && c <= '7') {
      Numeric(char16_t(c - '0'), 8);
    } else if (c == '\n' || c == '\r') {
      SkipEscapedLineEnd(str, i, c);
    }
    chopLimit = result.text.size();
  }
  void Comma() {
    if (!quoted) ChopTrailingBlanks(result.text, chopLimit);
    result.isList = true;
    result.list.push_back(std::move(result.text));
    result.text.clear();
    quoted = false;
    ++i;
    SkipBlanks();
    chopLimit = 0;
  }
  // A list takes its last item when the value ends.
  void Finish() {
    if (result.isList) result.list.push_back(result.text);
  }
  void Run() {
    std::size_t j = i + 1;
    while (j < str.size() && str[j] != '\\' && str[j] != '"' && str[j] != ',') ++j;
    result.text += Utf16OfUtf8(str.substr(i, j - i));
    i = j;
  }
};

}  // namespace

bool ReadIniLine(std::string_view data, std::size_t& at, IniLine& line) {
  bool inQuotes = false;
  line.equals = std::string_view::npos;
  std::size_t start = at;
  while (start < data.size() && IsLineSpace(data[start])) ++start;
  std::size_t i = start;
  while (i < data.size()) {
    while (i < data.size() && !IsSpecial(data[i])) ++i;
    if (i == data.size()) break;
    const char c = data[i++];
    if (c == '=') {
      if (!inQuotes && line.equals == std::string_view::npos) line.equals = i - 1;
    } else if (c == '\n' || c == '\r') {
      if (i == start + 1) {
        ++start;
      } else if (!inQuotes) {
        --i;
        break;
      }
    } else if (c == '\\') {
      if (i < data.size()) {
        const char next = data[i++];
        if (i < data.size()) {
          const char after = data[i];
          if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n')) ++i;
        }
      }
    } else if (c == '"') {
      inQuotes = !inQuotes;
    } else if (i == start + 1) {  // ';' opens a comment line
      while (i < data.size() && data[i] != '\n' && data[i] != '\r') ++i;
      while (i < data.size() && IsLineSpace(data[i])) ++i;
      start = i;
    } else if (!inQuotes) {
      --i;
      break;
    }
  }
  at = i;
  line.start = start;
  line.length = i - start;
  return line.length > 0;
}

std::u16string UnescapedKey(std::string_view bytes) {
  const std::u16string key = Utf16OfUtf8(bytes);
  std::u16string result;
  std::size_t i = 0;
  while (i < key.size()) {
    const char16_t c = key[i];
    if (c == u'\\') {
      result += u'/';
      ++i;
      continue;
    }
    if (c != u'%' || i == key.size() - 1) {
      result += c;
      ++i;
      continue;
    }
    std::size_t first = i + 1;
    std::size_t digits = 2;
    if (key[i + 1] == u'U') {
      ++first;
      digits = 4;
    }
    std::int64_t value = 0;
    if (first + digits > key.size() || !HexNumber(key.substr(first, digits), value)) {
      result += u'%';
      ++i;
      continue;
    }
    result += char16_t(value);
    i = first + digits;
  }
  return result;
}

IniText UnescapedValue(std::string_view value) {
  ValueReader reader(value);
  reader.SkipBlanks();
  while (reader.i < value.size()) {
    switch (value[reader.i]) {
      case '\\':
        if (++reader.i >= value.size()) {  // a last lone backslash: nothing is chopped
          reader.Finish();
          return reader.result;
        }
        reader.Escape();
        break;
      case '"':
        ++reader.i;
        reader.quoted = true;
        reader.inQuotes = !reader.inQuotes;
        if (!reader.inQuotes) {
          reader.SkipBlanks();
          reader.chopLimit = reader.result.text.size();
        }
        break;
      case ',':
        if (!reader.inQuotes) {
          reader.Comma();
          break;
        }
        reader.Run();
        break;
      default:
        reader.Run();
    }
  }
  if (!reader.quoted) ChopTrailingBlanks(reader.result.text, reader.chopLimit);
  reader.Finish();
  return reader.result;
}

std::string_view TrimmedBytes(std::string_view bytes) {
  while (!bytes.empty() && IsAsciiSpace(bytes.front())) bytes.remove_prefix(1);
  while (!bytes.empty() && IsAsciiSpace(bytes.back())) bytes.remove_suffix(1);
  return bytes;
}

}  // namespace projconv
