#pragma once

namespace projconv {

// The shape of the built-in sample sequence: what projconv-sample writes and
// what its settings file tells the converter to expect.
namespace sample {

inline constexpr int kProjections = 36;          // a full turn of the phantom
inline constexpr double kStepDegrees = 10.0;     // phantom rotation between projections
inline constexpr int kWidth = 512;               // detector columns
inline constexpr int kHeight = 512;              // detector rows
inline constexpr int kHeaderBytes = 256;         // our own text header before the samples
inline constexpr int kCentreX = kWidth / 2;      // column of the rotation axis
inline constexpr int kCentreY = kHeight / 2;     // row of the phantom's centre
inline constexpr double kCountsPerPixel = 32.0;  // detector counts per unit density and pixel

// The detector is mounted rolled clockwise (as displayed) by this much about
// (kCentreX, kCentreY); the settings turn it back by the same positive angle.
inline constexpr double kRollDegrees = 2.5;

// The converted region: a 384 x 384 window around the centre, halved in each
// direction (a step of exactly 2, so both smoothing passes run).
inline constexpr int kCropLeft = 64;
inline constexpr int kCropTop = 64;
inline constexpr int kCropRight = 448;
inline constexpr int kCropBottom = 448;
inline constexpr int kOutWidth = 192;
inline constexpr int kOutHeight = 192;

inline constexpr char kInFormat[] = "raw.%04i";
inline constexpr char kOutFormat[] = "conv.%04i";
inline constexpr char kOutFolder[] = "out";
inline constexpr char kSettingsName[] = "sample.ini";

}  // namespace sample

}  // namespace projconv
