#include "containers/tiff_page.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

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

// Strips of about 64 KiB: small enough to stream, large enough to be cheap.
std::uint32_t RowsPerStrip(std::int32_t width) {
  const std::uint32_t rowBytes = 2 * std::uint32_t(width);
  return rowBytes >= 65536 ? 1 : 65536 / rowBytes;
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
  // libtiff takes rows through a non-const pointer, and may swap bytes in
  // place for other byte orders: each row goes through a copy.
  std::vector<std::int16_t> row(static_cast<std::size_t>(width));
  for (std::int32_t y = 0; y < height; ++y) {
    const auto from = samples.subspan(std::size_t(y) * std::size_t(width), row.size());
    std::copy(from.begin(), from.end(), row.begin());
    if (TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0) != 1) return false;
  }
  return TIFFWriteDirectory(tiff) == 1;
}

}  // namespace projconv
