#include "containers/tiff_page.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace projconv {

namespace {

thread_local std::string lastError;

void KeepError(const char* module, const char* format, va_list arguments) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  lastError = module != nullptr && *module != '\0' ? std::string(module) + ": " + text : text;
}

void IgnoreWarning(const char*, const char*, va_list) {}

void CatchTiffMessages() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(KeepError);
    TIFFSetWarningHandler(IgnoreWarning);
  });
}

// Strips of about 4 MiB: few enough that each is one large write.
std::uint32_t RowsPerStrip(std::int32_t width) {
  const std::uint32_t rowBytes = 2 * std::uint32_t(width);
  return rowBytes >= (4u << 20) ? 1 : (4u << 20) / rowBytes;
}

}  // namespace

std::string TakeTiffError() {
  std::string error;
  error.swap(lastError);
  return error;
}

TIFF* OpenTiff(const std::string& path, const char* mode) {
  CatchTiffMessages();
  lastError.clear();
  return TIFFOpen(path.c_str(), mode);
}

bool WriteTiffPage(TIFF* tiff, std::int32_t width, std::int32_t height,
                   std::span<const std::int16_t> samples) {
  if (width <= 0 || height <= 0) {
    lastError = "an image without samples cannot be a TIFF page";
    return false;
  }
  const bool tagged = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(width)) &&
                      TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(height)) &&
                      TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16) &&
                      TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
                      TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT) &&
                      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
                      TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                      TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
                      TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, RowsPerStrip(width));
  if (!tagged) return false;
  // Whole strips straight from the image. libtiff takes a non-const pointer,
  // but changes the data only to swap bytes or compress, and the file is in
  // the machine's byte order and uncompressed.
  const std::uint32_t rows = RowsPerStrip(width);
  const std::size_t rowSamples = static_cast<std::size_t>(width);
  for (std::uint32_t first = 0, strip = 0; first < std::uint32_t(height); first += rows, ++strip) {
    const std::size_t count =
        std::min<std::uint32_t>(rows, std::uint32_t(height) - first) * rowSamples;
    auto* const data = const_cast<std::int16_t*>(samples.data() + first * rowSamples);
    if (TIFFWriteEncodedStrip(tiff, strip, data, tmsize_t(2 * count)) < 0) return false;
  }
  return TIFFWriteDirectory(tiff) == 1;
}

}  // namespace projconv
