#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

// Strict readings of numbers typed by people: the whole text must be the
// number, with nothing around it.

// An optional sign and decimal digits, within the signed 32-bit range.
std::optional<std::int32_t> ParseInt32(QStringView text);

// A decimal number read as a double and then rounded to float; nothing when it
// is not a number or either value is not finite.
std::optional<float> ParseFiniteFloat(QStringView text);
