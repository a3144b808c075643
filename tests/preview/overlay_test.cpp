// The crop window drawn on the input stands where the transform samples, and
// picking two points on the input gives the window that spans them.

#include <gtest/gtest.h>

#include <cmath>

#include "preview/crop_overlay.h"
#include "preview/side_by_side.h"

namespace projconv {

namespace {

ConversionParameters Whole8x8Turned90() {
  ConversionParameters g;
  g.cropRight = g.cropBottom = g.outSizeX = g.outSizeY = 8;
  g.rotCentreX = g.rotCentreY = 4;
  g.angle = 90.0f;
  return g;
}

void ExpectNear(SourcePoint actual, SourcePoint expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-9);
  EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(CropOverlay, CornersAreWhereTheTransformSamples) {
  // A quarter turn about (4, 4): output row 4, column 5 takes input row 5,
  // column 4, as the transform's own tests have it.
  const ConversionParameters g = Whole8x8Turned90();
  ExpectNear(SourceOf(g, 4, 5), {4, 5});
  const CropOverlay overlay = OverlayOf(g);
  ASSERT_TRUE(overlay.hasWindow);
  ExpectNear(overlay.corners[0], {8, 0});
  ExpectNear(overlay.corners[1], {8, 7});
  ExpectNear(overlay.corners[2], {1, 7});
  ExpectNear(overlay.corners[3], {1, 0});
  EXPECT_EQ(overlay.centre, (SourcePoint{4, 4}));
}

TEST(CropOverlay, ReducedWindowEndsOneStepShortOfItsEdges) {
  ConversionParameters g;
  g.cropLeft = 64, g.cropTop = 32, g.cropRight = 448, g.cropBottom = 416;
  g.outSizeX = 192, g.outSizeY = 96;
  const CropOverlay overlay = OverlayOf(g);
  ExpectNear(overlay.corners[0], {64, 32});
  ExpectNear(overlay.corners[2], {446, 412});
  g.outSizeY = 0;
  EXPECT_FALSE(OverlayOf(g).hasWindow);
}

TEST(CropOverlay, PickedPointsGiveTheWindowThatHoldsBoth) {
  ConversionParameters g;
  g.rotCentreX = 200, g.rotCentreY = 150;
  g.outSizeX = 200, g.outSizeY = 100;
  EXPECT_EQ(CropFromPoints(g, {300.2, 340.4}, {99.6, 120.1}), (CropWindow{100, 120, 301, 341}));

  // Turned: the corners of a window's own overlay give that window back.
  g.angle = 30.0f;
  g.cropLeft = 100, g.cropTop = 100, g.cropRight = 300, g.cropBottom = 200;
  const CropOverlay overlay = OverlayOf(g);
  EXPECT_EQ(CropFromPoints(g, overlay.corners[2], overlay.corners[0]),
            (CropWindow{100, 100, 300, 200}));
}

TEST(CropOverlay, NearestWholeNumberStaysInRange) {
  EXPECT_EQ(NearestInt32(2.5), 3);
  EXPECT_EQ(NearestInt32(-2.5), -2);
  EXPECT_EQ(NearestInt32(-2.51), -3);
  EXPECT_EQ(NearestInt32(1e12), 2147483647);
  EXPECT_EQ(NearestInt32(-1e12), -2147483647 - 1);
  EXPECT_EQ(NearestInt32(std::nan("")), 0);
}

PaneImage FlatPane(int width, int height, std::uint8_t level) {
  PaneImage pane;
  pane.sampleWidth = pane.gray.width = width;
  pane.sampleHeight = pane.gray.height = height;
  pane.gray.pixels.assign(std::size_t(width) * height, level);
  return pane;
}

TEST(SideBySide, OverlayCornersLandOnTheirPixels) {
  // Quarter turn of a 16 x 16 input about (8, 8), window (2, 3)-(10, 9) at
  // its own size: output (0, 0) comes from (13, 2), and so on round.
  ConversionParameters g;
  g.cropLeft = 2, g.cropTop = 3, g.cropRight = 10, g.cropBottom = 9;
  g.outSizeX = 8, g.outSizeY = 6;
  g.rotCentreX = g.rotCentreY = 8;
  g.angle = 90.0f;
  const CropOverlay overlay = OverlayOf(g);
  ExpectNear(overlay.corners[0], {13, 2});
  ExpectNear(overlay.corners[1], {13, 9});
  ExpectNear(overlay.corners[2], {8, 9});
  ExpectNear(overlay.corners[3], {8, 2});

  const PaneImage input = FlatPane(16, 16, 100);
  const PaneImage output = FlatPane(8, 6, 200);
  const RgbImage picture = SideBySide(input, overlay, output);
  ASSERT_EQ(picture.width, 16 + kSideBySideGap + 8);
  ASSERT_EQ(picture.height, 16);
  for (const auto& [x, y] : {std::pair{13, 9}, {8, 9}, {8, 2}, {10, 9}, {13, 5}}) {
    EXPECT_EQ(picture.At(x, y), kWindowColour) << x << "," << y;
  }
  // The first corner is marked; inside the window the input shows through.
  EXPECT_EQ(picture.At(15, 4), kWindowColour);
  EXPECT_EQ(picture.At(10, 5), (Rgb{100, 100, 100}));
  EXPECT_EQ(picture.At(8, 12), kCentreColour);  // the cross's lower arm
  // The output, untouched by the overlay, and the gap.
  EXPECT_EQ(picture.At(OutputLeft(input), 0), (Rgb{200, 200, 200}));
  EXPECT_EQ(picture.At(16, 0), kGapColour);
  EXPECT_EQ(picture.At(OutputLeft(input), 10), kGapColour);
}

TEST(SideBySide, OverlayIsClippedToTheInput) {
  ConversionParameters g;
  g.cropLeft = -5, g.cropTop = -5, g.cropRight = 40, g.cropBottom = 40;
  g.outSizeX = g.outSizeY = 45;
  g.rotCentreX = g.rotCentreY = 30;
  const PaneImage input = FlatPane(10, 10, 0);
  const RgbImage picture = SideBySide(input, OverlayOf(g), FlatPane(4, 4, 255));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(picture.At(OutputLeft(input) + x, y), (Rgb{255, 255, 255}));
    }
  }
}

}  // namespace

}  // namespace projconv
