#include "preview/side_by_side.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/sample_math.h"

namespace projconv {

namespace {

struct Pixel {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// The picture pixel of the sample nearest to `p`.
Pixel PixelOf(const PaneImage& pane, SourcePoint p) {
  const auto nearest = [&](double v) {
    return TruncToInt64(std::floor(v / double(pane.step) + 0.5));
  };
  return {nearest(p.x), nearest(p.y)};
}

// The part of an image that the overlay may paint: the input's picture.
struct Canvas {
  RgbImage& image;
  int width;
  int height;
};

void Dot(Canvas& canvas, Pixel at, int radius, Rgb colour) {
  for (std::int64_t dy = -radius; dy <= radius; ++dy) {
    for (std::int64_t dx = -radius; dx <= radius; ++dx) {
      const std::int64_t x = at.x + dx, y = at.y + dy;
      if (x >= 0 && y >= 0 && x < canvas.width && y < canvas.height) {
        canvas.image.Set(int(x), int(y), colour);
      }
    }
  }
}

// Every pixel from `a` to `b` along the longer axis, both ends included.
void Line(Canvas& canvas, Pixel a, Pixel b, int radius, Rgb colour) {
  const std::int64_t steps = std::max(std::llabs(b.x - a.x), std::llabs(b.y - a.y));
  // Lines far outside the picture are not walked pixel by pixel.
  constexpr std::int64_t kLongest = 1 << 16;
  if (steps > kLongest) return;
  for (std::int64_t k = 0; k <= steps; ++k) {
    const double t = steps == 0 ? 0.0 : double(k) / double(steps);
    const Pixel p{a.x + TruncToInt64(std::floor(double(b.x - a.x) * t + 0.5)),
                  a.y + TruncToInt64(std::floor(double(b.y - a.y) * t + 0.5))};
    Dot(canvas, p, radius, colour);
  }
}

}  // namespace

RgbImage::RgbImage(int w, int h, Rgb fill)
    : width(std::max(w, 0)), height(std::max(h, 0)), bytes(std::size_t(width) * height * 3) {
  for (std::size_t k = 0; k < bytes.size(); k += 3) {
    bytes[k] = fill.r;
    bytes[k + 1] = fill.g;
    bytes[k + 2] = fill.b;
  }
}

Rgb RgbImage::At(int x, int y) const {
  const std::size_t k = (std::size_t(y) * width + x) * 3;
  return {bytes[k], bytes[k + 1], bytes[k + 2]};
}

void RgbImage::Set(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const std::size_t k = (std::size_t(y) * width + x) * 3;
  bytes[k] = colour.r;
  bytes[k + 1] = colour.g;
  bytes[k + 2] = colour.b;
}

int OutputLeft(const PaneImage& input) {
  return input.gray.width + kSideBySideGap;
}

void DrawOverlay(RgbImage& image, const PaneImage& input, const CropOverlay& overlay) {
  Canvas canvas{image, std::min(image.width, input.gray.width),
                std::min(image.height, input.gray.height)};
  const int radius = std::max(input.gray.width, input.gray.height) / 1024;
  // The cross first: where they meet, the window's outline stays whole.
  const Pixel centre = PixelOf(input, overlay.centre);
  const int arm = 6 * (radius + 1);
  Line(canvas, {centre.x - arm, centre.y}, {centre.x + arm, centre.y}, radius, kCentreColour);
  Line(canvas, {centre.x, centre.y - arm}, {centre.x, centre.y + arm}, radius, kCentreColour);
  if (!overlay.hasWindow) return;
  const auto& corners = overlay.corners;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    Line(canvas, PixelOf(input, corners[k]), PixelOf(input, corners[(k + 1) % corners.size()]),
         radius, kWindowColour);
  }
  Dot(canvas, PixelOf(input, corners[0]), radius + 2, kWindowColour);
}

RgbImage SideBySide(const PaneImage& input, const CropOverlay& overlay, const PaneImage& output) {
  RgbImage image(OutputLeft(input) + output.gray.width,
                 std::max(input.gray.height, output.gray.height), kGapColour);
  const auto paste = [&image](const PaneImage& pane, int left) {
    for (int y = 0; y < pane.gray.height; ++y) {
      for (int x = 0; x < pane.gray.width; ++x) {
        const std::uint8_t g = pane.gray.pixels[std::size_t(y) * pane.gray.width + x];
        image.Set(left + x, y, {g, g, g});
      }
    }
  };
  paste(input, 0);
  paste(output, OutputLeft(input));
  DrawOverlay(image, input, overlay);
  return image;
}

}  // namespace projconv
