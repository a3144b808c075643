#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "probe/raw_layout.h"

namespace projconv {

// A smooth picture of width x height values from 0 to 1: a few overlapping
// bright blobs on a tilted background, as a projection of a few round
// objects might look.
std::vector<double> SmoothPicture(int width, int height);

// The file a detector writing `layout` would leave for `picture`: a header
// of a short text and zeros, then the samples. 16-bit samples span most of
// their range and cross its halfway point as their signedness sees it (zero
// for signed samples, 32768 for unsigned ones); floats are attenuations of a
// few units.
std::vector<unsigned char> RawFile(const RawLayout& layout, const std::vector<double>& picture);

// The options projconv-batch takes for `layout`, for messages.
std::string Describe(const RawLayout& layout);

}  // namespace projconv
