#pragma once

// Controls that the dialog's commands enable and disable together.

#include <array>

#include "form/control_ids.h"

namespace projconv {

// Float samples have no sign or byte order to choose, only a scale factor.
inline constexpr std::array kSignAndByteOrderRadios{kIdcSignedRadio, kIdcUnsignedRadio,
                                                    kIdcLittleEndianRadio, kIdcBigEndianRadio};
inline constexpr std::array kScaleControls{kIdcScaleEdit, kIdcScaleLabel};

inline constexpr std::array kCancelConversion{kIdcCancelConversionButton};
inline constexpr std::array kConvert{kIdcConvertButton};

}  // namespace projconv
