#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace projconv {

namespace sample {

// The name of projection `index`: raw.0000, raw.0001, ...
std::string ProjectionName(int index);

// The kHeaderBytes-byte header of projection `index`: a few lines of text
// (magic, sample format, size, angle, position in the sequence), NUL-padded.
// The converter skips it unread.
std::string ProjectionHeader(int index, double angleDegrees);

// The header followed by the samples as 16-bit little-endian words: the
// bytes of one file, whatever the byte order of this machine.
std::string EncodeProjection(const std::string& header, const std::vector<std::int16_t>& samples);

}  // namespace sample

}  // namespace projconv
