#pragma once

// Which part of the numbered sequence a batch converts, and how it numbers
// what it writes. The defaults are the described batch: every input from the
// first number until the first missing one, outputs numbered from 0.
//
// Input k of the span (k = 0, 1, ...) is file number startNumber + skip + k,
// and its output is numbered outStart + skip + k, so that runs over
// neighbouring spans write exactly the files one whole run writes.

#include <cstdint>

namespace projconv {

struct SequenceSpan {
  std::int64_t skip = 0;      // inputs passed over from the first number
  std::int64_t limit = -1;    // at most this many inputs; negative for no limit
  std::int64_t outStart = 0;  // the output number of the first input of the sequence
  // An output that already exists with exactly an output's size is kept and
  // not written again; its input still counts, and is not read.
  bool keepExisting = false;
  // Negative: the first missing input ends the batch. Otherwise a missing or
  // short input is waited for, and the batch ends normally once the sequence
  // has not grown for this many seconds.
  double followSeconds = -1;
  // While following: a file with its full length is read only once it has not
  // changed for this many seconds, or was closed after writing where the file
  // system tells so.
  double settleSeconds = 1;

  bool operator==(const SequenceSpan&) const = default;
};

}  // namespace projconv
