#pragma once

// One image as a page of a TIFF file, through libtiff: 16-bit signed
// samples, one per pixel, uncompressed, in the machine's (little-endian)
// byte order, so a reader finds exactly the bits a raw file holds.

#include <tiffio.h>

#include <cstdint>
#include <span>
#include <string>

namespace projconv {

// Writes the image and closes its directory, so that the file is complete
// up to this page whatever happens next. False on failure.
bool WriteTiffPage(TIFF* tiff, std::int32_t width, std::int32_t height,
                   std::span<const std::int16_t> samples);

// What libtiff last complained about on this thread, and forgets it. Its
// messages go here instead of to standard error.
std::string TakeTiffError();

// Opens `path` with libtiff `mode` ("w", or "w8" for BigTIFF) with its
// messages caught; null on failure.
TIFF* OpenTiff(const std::string& path, const char* mode);

}  // namespace projconv
