#pragma once

// Text as the settings file's reader holds it: UTF-16 code units, which may
// be lone surrogates. A name's byte that is not part of a UTF-8 sequence
// stands as U+DC00 + byte (U+DC80 to U+DCFF), which no UTF-8 text can hold,
// and becomes that byte again on the way back (see settings/name_text.h for
// the same with Qt's strings).

#include <string>
#include <string_view>

namespace projconv {

// UTF-8 decoded; each byte that starts no sequence is U+FFFD.
std::u16string Utf16OfUtf8(std::string_view bytes);

// UTF-8 encoded; a lone surrogate is a '?'.
std::string Utf8OfUtf16(std::u16string_view text);

// The name as text: UTF-8 decoded, every other byte as its lone surrogate.
std::u16string TextOfName(std::string_view name);

// The bytes the text names: UTF-8, with each lone surrogate U+DC80..U+DCFF
// as its byte and any other lone surrogate as a '?'.
std::string NameOfUtf16(std::u16string_view text);

// Whether the unit is white space as Qt's strings trim it.
bool IsSpaceUnit(char16_t unit);

}  // namespace projconv
