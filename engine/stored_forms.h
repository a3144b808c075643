#pragma once

#include <cstdint>

namespace projconv {

// The settings file holds only integers: the rotation angle in millionths of a
// degree and the scale factor in thousandths. Reading scales the stored integer
// in double precision and rounds once to float; writing truncates toward zero.
// A product beyond the 32-bit range is stored as the nearest 32-bit value, and
// NaN as 0, since the file has no way to hold either faithfully.

float AngleFromStored(std::int32_t millionths);
std::int32_t AngleToStored(float degrees);

float ScaleFromStored(std::int32_t thousandths);
std::int32_t ScaleToStored(float factor);

}  // namespace projconv
