#pragma once

// Why a conversion is refused before it reads anything, as a kind that code
// can branch on and the message the user is shown.

#include <optional>
#include <string>

#include "engine/conversion_parameters.h"

namespace projconv {

enum class RefusalKind {
  CropWindow,           // the direct path's window reaches too far outside the input
  Angle,                // not within plus/minus 180 degrees
  SampleType,           // neither 16-bit integers nor 32-bit floats
  Scale,                // not finite, with float samples
  NegativeSize,         // a negative size or header length
  EmptyImage,           // an input or output size of 0
  NamePattern,          // a name format with other than one integer field
  Memory,               // the buffers cannot be had
  OutputReplacesInput,  // an output would be written over an input read later
  NoInput,              // the input gave no bytes (an image held in memory)
  ShortInput,           // the input holds fewer bytes than the header and one image
  OutputTooSmall,       // the caller's buffer cannot hold the output image
  FlatField,            // a flat or dark is missing, unreadable or short, or its values wrong
};

struct Refusal {
  RefusalKind kind;
  std::string message;
  bool operator==(const Refusal&) const = default;
};

// True when the window has the output size and there is no rotation to
// speak of: the transform then copies samples instead of resampling.
bool TakesDirectPath(const ConversionParameters& parameters);

// The checks a batch makes before it releases or obtains anything, in the
// order it makes them; the first that fails. The name formats are checked
// only `withNames`: an image held in memory has no file names.
std::optional<Refusal> CheckParameters(const ConversionParameters& parameters,
                                       bool withNames = true);

// The part of those checks that decides how an input file is read: the
// sample type, and sizes that are not negative.
std::optional<Refusal> CheckInputLayout(const ConversionParameters& parameters);

// Header plus one image, the bytes a batch reads of each input; nothing when
// the layout is refused or the buffers could not be addressed.
std::optional<std::uint64_t> InputReadLength(const ConversionParameters& parameters);

}  // namespace projconv
