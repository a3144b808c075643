#pragma once

#include "probe/raw_layout.h"
#include "probe/reading_profile.h"
#include "probe/row_continuity.h"

namespace projconv {

// How badly `layout` reads its file, lower being better. The picture's
// roughness is the mean |difference| between neighbours along a row (from
// the reading's profile) and down a column (from the continuity of the
// layout's rows), over the spread of the values: near 0 for a smooth
// picture, about 1 for noise; samples no picture holds weigh heavily. It is raised a little for
// what makes a layout less likely when the picture alone cannot tell: a header that cuts into a
// picture continuing above it, an unusual header length or side, an elongated shape, negative
// values read as signed, an unsigned or big-endian reading where the other
// reads alike.
double LayoutScore(const RawLayout& layout, const ReadingProfile& profile,
                   const RowContinuity& continuity);

}  // namespace projconv
