#pragma once

// The INI file's syntax as the desktop program's settings are written in it:
// lines (with quoted values that may run over line ends, escaped line ends
// and ';' comments), keys with their %-escapes, and values with their quotes,
// backslash escapes and comma lists.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace projconv {

struct IniLine {
  std::size_t start = 0;
  std::size_t length = 0;
  std::size_t equals = std::string_view::npos;  // the first '=' outside quotes
};

// The next line from `at` on, leading blanks and comment lines skipped;
// false when there is none. `at` moves past it.
bool ReadIniLine(std::string_view data, std::size_t& at, IniLine& line);

// A key or section name, UTF-8: "\" is a group's "/", and "%XX" and "%UXXXX"
// the character of that hex code.
std::u16string UnescapedKey(std::string_view key);

struct IniText {
  bool isList = false;  // an unquoted comma made a list
  std::u16string text;
  std::vector<std::u16string> list;
};

// The text of a value: quotes removed, escapes replaced, blanks around it
// dropped unless quoted, split at commas outside quotes.
IniText UnescapedValue(std::string_view value);

// White space as the file's syntax trims it: blank, tab, line ends, \v, \f.
std::string_view TrimmedBytes(std::string_view bytes);

}  // namespace projconv
