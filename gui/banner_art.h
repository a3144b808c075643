#pragma once

#include <QPixmap>

namespace projconv {

// The picture across the top left of the converter dialog: a source sending a
// fan of rays through an object onto a detector, and the program's name.
// Drawn here rather than shipped as an image file.
QPixmap PaintBanner();

// Size of the picture in pixels.
inline constexpr int kBannerWidth = 300;
inline constexpr int kBannerHeight = 57;

}  // namespace projconv
