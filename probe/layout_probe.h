#pragma once

#include <cstddef>
#include <vector>

#include "probe/byte_source.h"
#include "probe/raw_layout.h"

namespace projconv {

// The layouts that read `bytes` as the smoothest pictures, best first, at
// most `count` of them, each agreeing with `known`. A layout fits when its
// header and samples end where the file does (or, with the width, height and
// header all known, within it). Reads a bounded number of rows of each
// candidate, so the time taken hardly grows with the file. Empty when no
// layout fits, or when the source fails to deliver bytes it holds.
std::vector<ScoredLayout> ProbeLayouts(const ByteSource& bytes, const KnownLayout& known,
                                       std::size_t count);

}  // namespace projconv
