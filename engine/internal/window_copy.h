#pragma once

// A batch that copies 16-bit samples (the window has the output's size and
// nothing turns) needs nothing of an input but its window. So it reads each
// input's window rows straight from the file into the output image, a
// stretch of rows per task, decodes them there and hands each stretch to the
// output file at once. Reading the next stretches overlaps writing the last
// ones, the window leaves the page cache once instead of being copied twice,
// and the rest of the file is not read at all.
//
// The read area is left as it was: no output depends on what an earlier image
// left in any buffer, since a file shorter than a whole input ends the batch
// instead of being converted over the previous image's samples. Files this
// cannot read (a FIFO, an output that is its own input) go through the read
// area as in any other batch.

#include <cstdint>

#include "engine/conversion_parameters.h"

namespace projconv {

class PosixFile;
class RowStream;
class WorkerPool;
struct ImageBuffers;

// Whether the images of a batch of `job` may be read this way, given a sink
// that takes rows and the fast schedule: 16-bit samples copied, the window
// wholly inside the image, and `buffers` the batch's for `job`.
bool CopiesWindowsFromFiles(const ConversionParameters& job, const ImageBuffers& buffers);

// CopyWindowFromFile's result for a file that ended before the window did:
// it has been shortened since it was opened at its full length.
inline constexpr int kCutShort = -1;

// Reads the window of `input`, a regular file at least as long as a whole
// input, into `out` (outSizeX * outSizeY samples) on up to `workers` of
// `pool`, putting each stretch of rows to `output` once it is decoded. 0
// when every byte came, else the errno of the first failed read or
// kCutShort (the file has been shortened since it was opened).
int CopyWindowFromFile(const ConversionParameters& job, std::int16_t* out, const PosixFile& input,
                       WorkerPool& pool, int workers, RowStream& output);

}  // namespace projconv
