#pragma once

#include <string>
#include <string_view>

namespace projconv {

// `text` made safe to print on a terminal: control characters other than the
// line feed and the tab (C0, DEL, and C1 in its UTF-8 form) are written as
// \xNN. File names and settings may hold any of them, and printed raw they
// would move the cursor, clear the screen or retitle the window.
std::string TerminalText(std::string_view text);

}  // namespace projconv
