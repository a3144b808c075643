#pragma once

// The converter dialog's members: the values while the dialog is open. The
// conversion's own values are the ConversionParameters base, so the members
// from sampleType to scale stand in the order of the matching fields of
// ProjectionJob, and Convert hands them to the job in one step. The members
// bound to hidden controls, and the copies of the output size, only take part
// in the exchange; nothing else reads them.

#include <cstdint>

#include "engine/conversion_parameters.h"

namespace projconv {

struct ConverterValues : ConversionParameters {
  // The settings fill in the conversion's values before the dialog opens;
  // until then they hold zeros rather than whatever the memory held, and the
  // name formats the example the dialog gives.
  ConverterValues() {
    inFormat = "raw.%04i";
    outFormat = "raw.%04i";
  }

  std::int32_t spare1014 = 0;
  std::int32_t cropFileHeader = 0;
  std::int32_t zoomOutByTwo = 0;
  std::int32_t progress = 0;
  std::int32_t outSizeXCopy = 1024;
  std::int32_t outSizeYCopy = 1024;
  std::int32_t spare1034 = 0;
  std::int32_t spare1035 = 0;
  std::int32_t spare1036 = 1024;
  std::int32_t spare1037 = 1024;
  std::int32_t yesFlag = 0;
  std::int32_t transposition = 0;

  bool operator==(const ConverterValues&) const = default;
};

}  // namespace projconv
