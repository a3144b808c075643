#pragma once

// The picture of a preview as one image: the input in grey with the crop
// window and the centre of rotation drawn over it on the left, the output on
// the right, top-aligned, with a dark gap between them. Made without a
// toolkit, so that a headless converter can write it.

#include <cstdint>
#include <vector>

#include "preview/crop_overlay.h"
#include "preview/pane_image.h"

namespace projconv {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The crop window's outline, and the mark on the corner that becomes the
// output's top-left sample.
inline constexpr Rgb kWindowColour{255, 176, 0};
// The cross at the centre of rotation.
inline constexpr Rgb kCentreColour{0, 200, 255};
// Around and between the two images.
inline constexpr Rgb kGapColour{40, 40, 40};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;  // three a pixel, row by row

  RgbImage(int width, int height, Rgb fill);
  Rgb At(int x, int y) const;
  void Set(int x, int y, Rgb colour);  // a pixel outside the image is left out
};

inline constexpr int kSideBySideGap = 8;

// Where the output starts in the picture; the input starts at (0, 0).
int OutputLeft(const PaneImage& input);

// The picture: each pane pixel's grey level in all three channels. The
// overlay is drawn through the pixels of the samples nearest to its points.
RgbImage SideBySide(const PaneImage& input, const CropOverlay& overlay, const PaneImage& output);

// The overlay alone, drawn onto `image` where the picture of `input` starts
// at (0, 0) and clipped to it; lines grow thicker on large pictures to stay
// visible.
void DrawOverlay(RgbImage& image, const PaneImage& input, const CropOverlay& overlay);

}  // namespace projconv
