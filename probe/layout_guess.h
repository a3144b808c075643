#pragma once

// One file's layouts guessed by name, in words a person reads: what a front
// end shows when it offers the guesses for the user to take.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "probe/raw_layout.h"

namespace projconv {

struct FileGuess {
  std::vector<ScoredLayout> layouts;  // best first; empty when `problem` says why
  std::string problem;                // names the file; empty when a layout fits
  std::uint64_t fileBytes = 0;        // the file's size, once it was opened
};

// Opens `path` and probes it for at most `count` layouts that agree with
// `known`. A file that cannot be opened (missing, not a regular file) or
// read, and a file no layout fits, give no layout and a problem that says so.
FileGuess GuessFileLayout(const std::string& path, const KnownLayout& known, std::size_t count);

// "Integer 16 bits, unsigned, big endian, 4096 × 4096, header 2048 bytes": the
// layout in the words of the dialog's controls, in the order they stand.
std::string LayoutInWords(const RawLayout& layout);

}  // namespace projconv
