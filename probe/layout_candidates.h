#pragma once

#include <cstdint>
#include <vector>

#include "probe/raw_layout.h"
#include "probe/sample_geometry.h"

namespace projconv {

// The geometries a file of `fileSize` bytes may hold: a header, then width x
// height samples that end exactly where the file does. Only when the width,
// the height and the header are all known is a file longer than the layout
// accepted, since a conversion reads just that much of it. Whatever `known`
// gives is kept; the rest is guessed from common header lengths and from
// header lengths that leave a common or square size, and the sides are every
// factorisation of the samples that is not absurdly thin.
std::vector<SampleGeometry> CandidateGeometries(std::uint64_t fileSize, const KnownLayout& known);

}  // namespace projconv
