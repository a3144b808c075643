#pragma once

// An INI file read as the desktop program's settings have always been read:
// sections gathered by name, and each section's lines taken in only when a
// key is first looked for in it, by the same rule that decides which
// section that is. So a file reads the same here as it does in the desktop
// program's writer, down to which malformed lines are noticed and when.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace projconv {

// A value as the file gives it.
struct IniValue {
  enum class Kind {
    Text,   // `text`
    List,   // `list`: an unquoted comma split it
    Bytes,  // `bytes`: written "@ByteArray(...)"
    Typed,  // another type, named by `typeName` ("QRect", "QVariantList", ...)
  };
  Kind kind = Kind::Text;
  std::u16string text;
  std::vector<std::u16string> list;
  std::string bytes;
  const char* typeName = "";
};

class IniDocument {
 public:
  // `bytes` is the whole file.
  explicit IniDocument(std::string_view bytes);

  // Whether a malformed line was met so far.
  bool malformed() const { return malformed_; }

  // The value of `key` ("group/name"); nothing when absent or "@Invalid()".
  std::optional<IniValue> Value(const std::u16string& key);

  // The names of the keys directly in `group` ("group/"), sorted.
  std::vector<std::u16string> ChildKeys(const std::u16string& group);

  // The groups at the top of the file, sorted.
  std::vector<std::u16string> TopGroups();

 private:
  void ParseSectionOf(const std::u16string& key);
  void ParseSection(const std::u16string& section, std::string_view data);

  std::map<std::u16string, std::string> unparsed_;  // "" or "name/" -> its lines
  std::map<std::u16string, std::optional<IniValue>> parsed_;
  bool malformed_ = false;
};

}  // namespace projconv
