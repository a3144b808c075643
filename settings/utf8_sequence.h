#pragma once

// UTF-8 as the settings read it: strict, so that every byte string decodes
// one way and encodes back the same.

#include <cstddef>
#include <string_view>

namespace projconv {

// The length of the UTF-8 sequence that starts at `at`, or 0 when the byte
// there starts none.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at);

// Whether `name` is UTF-8 through and through.
bool IsUtf8(std::string_view name);

}  // namespace projconv
