#pragma once

// The per-sample arithmetic of the fast transform, written once for any lane
// type: each function computes one result per lane, in exactly the order of
// operations of the plain reference, so that one lane and eight give the same
// bits. How rows are split and lanes are filled lives elsewhere.
//
// A lane type L supplies:
//   L::D                W doubles; +, - and * round each lane as double does
//   L::Splat(double)
//   L::Truncate(D)      toward zero, kept to the low 32 bits as a signed
//                       integer, as a double; vector lane types are only
//                       given values below 2^31 in magnitude, where that is
//                       plain truncation
//   L::Wrap32(D)        an integer-valued D kept to its low 32 bits as a
//                       signed integer; vector lanes only see values that
//                       already fit
//
// A vector lane may give -0.0 where an integer zero converts to +0.0. That
// never changes a result: nothing here divides, coordinates reach memory
// through integer conversion, and a sign of zero carried through sums and
// products leaves every value alike but zeros, whose truncation is 0.
//
// This header holds templates and constants only: each kernel file compiles
// it for its own instruction set, with lane types of its own, so no function
// compiled for one instruction set can be linked in place of another's.

#include <cstdint>

namespace projconv {

namespace sample_arithmetic {

inline constexpr double kThird = static_cast<double>(0.33333334f);  // the float nearest 1/3
inline constexpr double kDegreesToRadians = 0.017453292519943295;
inline constexpr double kInv65536 = 1.0 / 65536.0;

// An output sample wraps, its truncated value lying outside -32768 .. 32767,
// exactly when the value is at least kWrapsFromAbove or at most
// kWrapsFromBelow: between the two, truncation stays in range. Ordered
// comparisons with these leave NaN out, which has no truncated value; values
// beyond the 64-bit range, written as 0, are still counted.
inline constexpr double kWrapsFromAbove = 32768.0;
inline constexpr double kWrapsFromBelow = -32769.0;
// Magnitudes from here on need more than a 32-bit truncation.
inline constexpr double kBeyondInt32 = 2147483648.0;

// A 3-tap mean as the smoothing passes keep it: ((first + second) + last)
// times the float third, summed in that order (the caller rounds to float).
template <class L>
typename L::D ThirdOf(typename L::D sum) {
  return sum * L::Splat(kThird);
}

template <class L>
typename L::D MeanOfThree(typename L::D first, typename L::D second, typename L::D last) {
  return ThirdOf<L>((first + second) + last);
}

// Three 16-bit samples add up exactly in double in any order (the sum stays
// far below 2^53), so for them a lane type may form the sum in integers and
// convert it once: ThirdOf<L>(L::SumOfInt16s(...)) is MeanOfThree, bit for bit.
//
// Their mean may even be made in float lanes, twice as many to a vector. The
// sum is an integer below 2^18 in magnitude and kThird has 24 significant
// bits, so the product of the two fits in 42 bits: the double product is
// exact, and rounding it to float rounds the exact product once. A float
// multiplication of the sum (exact in float too) by the float third rounds
// the same exact product once, to the same float.

// What one output row needs to place its samples in the work image.
struct RowGeometry {
  double cos, sin;          // of the angle
  double stepX;             // sx
  double left;              // cropLeft
  double centreX, centreY;  // rotCentreX, rotCentreY
  double a, b;              // this row's dy * sin and dy * cos
};

// dx of output column j: where the output grid puts the column, from the
// centre of rotation. The same for every row.
template <class L>
typename L::D ColumnOffset(const RowGeometry& g, typename L::D j) {
  return (j * L::Splat(g.stepX) + L::Splat(g.left)) - L::Splat(g.centreX);
}

template <class D>
struct Position {
  D xs, ys;
};

// Source position of a column in this row, from the column's cos * dx and
// sin * dx (which depend on the column alone, so a schedule may form them
// once per image): rotated about the centre.
template <class L>
Position<typename L::D> SourcePosition(const RowGeometry& g, typename L::D cosDx,
                                       typename L::D sinDx) {
  return {(cosDx - L::Splat(g.a)) + L::Splat(g.centreX),
          (sinDx + L::Splat(g.b)) + L::Splat(g.centreY)};
}

template <class D>
struct Neighbours {
  D p00, p10, p01, p11;  // (x0, y0), (x0 + 1, y0), (x0, y0 + 1), (x0 + 1, y0 + 1)
};

// Bilinear value at (xs, ys) with weights truncated to 1/256; fetch(x0, y0)
// supplies the four neighbours of the truncated position. Coordinates and
// weights are integers, carried in doubles exactly.
template <class L, class Fetch>
typename L::D Bilinear(Position<typename L::D> at, const Fetch& fetch) {
  using D = typename L::D;
  const D x0 = L::Truncate(at.xs);
  const D y0 = L::Truncate(at.ys);
  const D fx = L::Truncate((at.xs - x0) * L::Splat(256.0));
  const D fy = L::Truncate((at.ys - y0) * L::Splat(256.0));
  const D gy = L::Wrap32(L::Splat(256.0) - fy);  // 256 - fy, wrapped like an integer
  const Neighbours<D> p = fetch(x0, y0);
  const D top = fx * (p.p10 - p.p00) + L::Splat(256.0) * p.p00;
  const D bottom = fx * (p.p11 - p.p01) + L::Splat(256.0) * p.p01;
  return (top * gy + bottom * fy) * L::Splat(kInv65536);
}

}  // namespace sample_arithmetic

}  // namespace projconv
