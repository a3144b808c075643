#pragma once

// The text form in which the dialog's edits show numbers, and the reading of
// what the user typed. Floats are written as the shortest text that reads back
// to the same float, so a load followed by a save never changes a value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace projconv {

// Plain decimal, "-" for negative values.
std::string IntToText(std::int32_t value);

// Shortest round-trip form: "1", "0.1", "-12.5", "1e+30", "1e-45".
std::string FloatToText(float value);

// Whether blanks may stand around a number: typed into an edit they may, in
// a command-line argument they are a quoting slip.
enum class Blanks { Allowed, Refused };

// Blanks around the number, an optional "+" or "-", then decimal digits only.
// Nothing for an empty text, anything else, or a value beyond 32 bits.
std::optional<std::int32_t> TextToInt(std::string_view text, Blanks blanks = Blanks::Allowed);

// Blanks around the number, an optional sign, then a decimal number with an
// optional fraction and exponent ("12", "-.5", "1.5e-3", "1E+30"). Nothing for
// infinities, NaNs, hexadecimal forms, or a value that rounds beyond the float
// range (overflow) or to zero from a non-zero value (underflow).
std::optional<float> TextToFloat(std::string_view text, Blanks blanks = Blanks::Allowed);

}  // namespace projconv
