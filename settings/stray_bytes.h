#pragma once

// A settings file that is not UTF-8 (a folder typed into it by hand or by a
// script in Latin-1) keeps its names' bytes: each byte of a value (after a
// line's first '=') outside a UTF-8 sequence is written as the escape
// "\xdcNN", which the value's syntax reads as the lone surrogate U+DC00 +
// byte, and a hex digit right after such an escape is escaped as well, since
// it would otherwise be read as part of the number. A file that is UTF-8 is
// left as it is.

#include <string>
#include <string_view>

namespace projconv {

std::string EscapedStrayBytes(std::string_view bytes);

}  // namespace projconv
