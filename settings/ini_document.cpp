#include "settings/ini_document.h"

#include <algorithm>

#include "settings/ini_syntax.h"

namespace projconv {

namespace {

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool EqualsIgnoringCase(std::string_view bytes, std::string_view lower) {
  return bytes.size() == lower.size() &&
         std::equal(bytes.begin(), bytes.end(), lower.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a | 0x20 : a) == b; });
}

// The number of items "(a b c)" holds from `open` on, split at blanks.
std::size_t ArgumentCount(std::u16string_view text, std::size_t open) {
  return std::size_t(std::count(text.begin() + std::ptrdiff_t(open), text.end(), u' ')) + 1;
}

IniValue TextValue(std::u16string text) {
  IniValue value;
  value.text = std::move(text);
  return value;
}

IniValue TypedValue(const char* name) {
  IniValue value;
  value.kind = IniValue::Kind::Typed;
  value.typeName = name;
  return value;
}

// A value whose text starts with '@' may stand for another type.
std::optional<IniValue> TypedText(std::u16string text) {
  if (!StartsWith(text, u"@")) return TextValue(std::move(text));
  if (EndsWith(text, u")")) {
    const std::u16string_view inner = std::u16string_view(text).substr(0, text.size() - 1);
    if (StartsWith(text, u"@ByteArray(")) {
      IniValue value;
      value.kind = IniValue::Kind::Bytes;
      for (const char16_t unit : inner.substr(11)) value.bytes += unit <= 0xFF ? char(unit) : '?';
      return value;
    }
    if (StartsWith(text, u"@String(")) return TextValue(std::u16string(inner.substr(8)));
    // What these hold is a binary stream no text of ours makes; it reads
    // as no value.
    if (StartsWith(text, u"@Variant(") || StartsWith(text, u"@DateTime(")) return std::nullopt;
    if (StartsWith(text, u"@Rect(") && ArgumentCount(text, 5) == 4) return TypedValue("QRect");
    if (StartsWith(text, u"@Size(") && ArgumentCount(text, 5) == 2) return TypedValue("QSize");
    if (StartsWith(text, u"@Point(") && ArgumentCount(text, 6) == 2) return TypedValue("QPoint");
    if (text == u"@Invalid()") return std::nullopt;
  }
  if (StartsWith(text, u"@@")) return TextValue(text.substr(1));
  return TextValue(std::move(text));
}

// A list whose item starts with a single '@' is a list of typed values.
IniValue ListValue(std::vector<std::u16string> items) {
  for (std::u16string& item : items) {
    if (!StartsWith(item, u"@")) continue;
    if (!StartsWith(item, u"@@")) return TypedValue("QVariantList");
    item.erase(0, 1);
  }
  IniValue value;
  value.kind = IniValue::Kind::List;
  value.list = std::move(items);
  return value;
}

}  // namespace

IniDocument::IniDocument(std::string_view data) {
  std::u16string section;
  std::size_t sectionStart = 0;
  // A byte order mark is passed over, but stays in the lines before the
  // first header.
  std::size_t at = data.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  IniLine line;
  // A section's lines are those up to the next header; one named twice
  // gathers both parts.
  const auto flush = [&] {
    std::string& lines = unparsed_[section];
    if (!lines.empty()) lines += '\n';
    lines += data.substr(sectionStart, line.start - sectionStart);
  };
  while (ReadIniLine(data, at, line)) {
    const std::string_view text = data.substr(line.start, line.length);
    if (text.front() != '[') continue;
    flush();
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
      malformed_ = true;
      close = text.size();
    }
    const std::string_view name = TrimmedBytes(text.substr(1, close - 1));
    section.clear();
    if (!EqualsIgnoringCase(name, "general")) {
      section = EqualsIgnoringCase(name, "%general") ? u"general" : UnescapedKey(name);
      section += u'/';
    }
    sectionStart = at;
  }
  line.start = data.size();
  flush();
}

void IniDocument::ParseSectionOf(const std::u16string& key) {
  if (unparsed_.empty()) return;
  auto section = unparsed_.begin();
  if (key.find(u'/') != std::u16string::npos) {
    section = unparsed_.upper_bound(key);
    if (section == unparsed_.begin()) return;
    --section;
    if (section->first.empty() || !StartsWith(key, section->first)) return;
  } else if (!section->first.empty()) {
    return;
  }
  ParseSection(section->first, section->second);
  unparsed_.erase(section);
}

void IniDocument::ParseSection(const std::u16string& section, std::string_view data) {
  std::size_t at = 0;
  IniLine line;
  while (ReadIniLine(data, at, line)) {
    if (line.equals == std::string_view::npos) {
      if (data[line.start] != ';') malformed_ = true;
      continue;
    }
    std::size_t keyEnd = line.equals;
    while (keyEnd > line.start && (data[keyEnd - 1] == ' ' || data[keyEnd - 1] == '\t')) --keyEnd;
    const std::u16string key = section + UnescapedKey(data.substr(line.start, keyEnd - line.start));
    const std::size_t valueStart = line.equals + 1;
    IniText text = UnescapedValue(data.substr(valueStart, line.start + line.length - valueStart));
    parsed_[key] = text.isList ? ListValue(std::move(text.list)) : TypedText(std::move(text.text));
  }
}

std::optional<IniValue> IniDocument::Value(const std::u16string& key) {
  ParseSectionOf(key);
  const auto found = parsed_.find(key);
  if (found == parsed_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::u16string> IniDocument::ChildKeys(const std::u16string& group) {
  ParseSectionOf(group);
  std::vector<std::u16string> keys;
  for (auto at = parsed_.lower_bound(group); at != parsed_.end() && StartsWith(at->first, group);
       ++at) {
    const std::u16string rest = at->first.substr(group.size());
    if (rest.find(u'/') == std::u16string::npos) keys.push_back(rest);
  }
  return keys;  // the map's order, without repeats
}

std::vector<std::u16string> IniDocument::TopGroups() {
  for (const auto& [section, lines] : unparsed_) ParseSection(section, lines);
  unparsed_.clear();
  std::vector<std::u16string> groups;
  for (const auto& [key, value] : parsed_) {
    const std::size_t slash = key.find(u'/');
    if (slash != std::u16string::npos) groups.push_back(key.substr(0, slash));
  }
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  return groups;
}

}  // namespace projconv
