#include "settings/stored_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "settings/correction_settings.h"
#include "settings/ini_document.h"
#include "settings/stray_bytes.h"
#include "settings/utf16_text.h"

namespace projconv {

namespace {

using S = ConversionParameters;

constexpr std::size_t kQuotedLength = 40;

std::u16string Ascii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A stored integer: signed decimal text within 32 bits, nothing else (not
// even blanks, which the file's own syntax would have dropped unless quoted).
std::optional<std::int32_t> StoredInteger(std::u16string_view text) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) ++at;
  if (at == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < u'0' || text[at] > u'9') return std::nullopt;
    value = value * 10 + (text[at] - u'0');
    if (value > std::int64_t(1) << 32) return std::nullopt;
  }
  value = negative ? -value : value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return std::int32_t(value);
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char block[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, block, sizeof block)) > 0) bytes.append(block, std::size_t(got));
  ::close(fd);
  if (got < 0) return std::nullopt;
  return bytes;
}

// What keeps `path` from being read as a named settings file; empty when
// nothing does. Asked before the file is opened, which a FIFO would not
// survive.
std::string FileProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "the file does not exist";
  if (!S_ISREG(info.st_mode)) return "it is not a file";
  if (::access(path.c_str(), R_OK) != 0) return "the file cannot be read";
  return {};
}

// The value as text: a list joined again at its commas (a hand-edited folder
// "/scans/a,b" unquoted), and a name saved as bytes as those bytes.
std::optional<std::u16string> TextOf(const IniValue& value) {
  switch (value.kind) {
    case IniValue::Kind::Text:
      return value.text;
    case IniValue::Kind::List: {
      std::u16string joined;
      for (std::size_t k = 0; k < value.list.size(); ++k) {
        if (k > 0) joined += u',';
        joined += value.list[k];
      }
      return joined;
    }
    case IniValue::Kind::Bytes:
      return TextOfName(value.bytes);
    case IniValue::Kind::Typed:
      break;
  }
  return std::nullopt;
}

bool IsSettingKey(const std::u16string& name) {
  const auto& table = kParameterTable;
  return std::any_of(table.begin(), table.end(),
                     [&](const ParameterDescriptor& row) { return name == Ascii(row.key); });
}

// Reads every key of the group from `file`; keys of the group that are not
// settings are reported, as most likely a misspelt name whose value would
// otherwise be dropped without a word.
void ReadKeys(IniDocument& file, StoredLoad& load) {
  const std::u16string group = Ascii(kSettingsGroup) + u'/';
  for (const ParameterDescriptor* row : ParametersInFileOrder()) {
    const std::optional<IniValue> value = file.Value(group + Ascii(row->key));
    if (!value) continue;  // absent: the first-run value stays
    const std::optional<std::u16string> text = TextOf(*value);
    if (!text) {
      load.problems.push_back(std::string(row->key) + " holds a value of type " + value->typeName +
                              ", not text");
      continue;
    }
    if (auto problem = ApplyStoredUtf16(load.settings, *row, *text)) {
      load.problems.push_back(*problem);
    }
  }
  for (const std::u16string& name : file.ChildKeys(group)) {
    if (!IsSettingKey(name))
      load.problems.push_back("unknown key " + Utf8OfUtf16(QuotedText(name)));
  }
}

// The whole load of a file as read: its first fault (no bytes, or a
// malformed section header), then every key.
StoredLoad ReadFile(IniDocument& file, bool read) {
  StoredLoad load{FirstRunParameters(), {}};
  if (!read) {
    load.problems.push_back("the file cannot be read");
  } else if (file.malformed()) {
    load.problems.push_back("the file is not in INI format");
  }
  ReadKeys(file, load);
  ReadCorrection(file, load.correction, load.problems);
  return load;
}

}  // namespace

const ConversionParameters& FirstRunParameters() {
  static const ConversionParameters first = [] {
    ConversionParameters settings;
    for (const ParameterDescriptor& row : kParameterTable) {
      ApplyStoredUtf16(settings, row, Utf16OfUtf8(row.firstRun));
    }
    return settings;
  }();
  return first;
}

StoredLoad LoadNamedSettings(const std::string& path) {
  const std::string problem = FileProblem(path);
  if (!problem.empty()) return StoredLoad{FirstRunParameters(), {problem}};
  const std::optional<std::string> bytes = FileBytes(path);
  IniDocument file(EscapedStrayBytes(bytes.value_or(std::string())));
  StoredLoad load = ReadFile(file, bytes.has_value());
  // A file named by the user that holds none of the settings (an empty file,
  // a misspelt section) would otherwise run on the defaults as if it were
  // right. Not asked of a file found malformed by now.
  if (bytes && !file.malformed()) {
    const std::vector<std::u16string> groups = file.TopGroups();
    if (std::find(groups.begin(), groups.end(), Ascii(kSettingsGroup)) == groups.end()) {
      load.problems.push_back(std::string("it holds no [") + kSettingsGroup + "] section");
    }
  }
  return load;
}

StoredLoad LoadDesktopSettings(const std::string& path) {
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  const std::optional<std::string> bytes = exists ? FileBytes(path) : std::string();
  IniDocument file(EscapedStrayBytes(bytes.value_or(std::string())));
  return ReadFile(file, bytes.has_value());
}

std::u16string QuotedText(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (const char16_t c : text.substr(0, kQuotedLength)) {
    if (IsControl(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", unsigned(c));
      quoted += Ascii(escape);
    } else {
      quoted += c;
    }
  }
  if (text.size() > kQuotedLength) {
    return quoted + u"...\" (" + Ascii(std::to_string(text.size())) + u" characters)";
  }
  return quoted + u"\"";
}

std::optional<std::string> ApplyStoredUtf16(ConversionParameters& settings,
                                            const ParameterDescriptor& row,
                                            std::u16string_view text) {
  if (auto member = std::get_if<std::string S::*>(&row.member)) {
    settings.*(*member) = NameOfUtf16(text);
    return std::nullopt;
  }
  const std::optional<std::int32_t> stored = StoredInteger(text);
  if (!stored) {
    return std::string(row.key) + " = " + Utf8OfUtf16(QuotedText(text)) +
           " is not a whole number in the 32-bit range";
  }
  SetFromStoredNumber(settings, row, *stored);
  return std::nullopt;
}

}  // namespace projconv
