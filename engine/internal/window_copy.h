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

namespace projconv {

class PosixFile;
class ProjectionJob;
class StreamedOutput;
class WorkerPool;

// Whether the images of a batch of `job` may be read this way: 16-bit
// samples copied to headerless files, the window wholly inside the image,
// and the engine's own transform (no stand-in for tests).
bool CopiesWindowsFromFiles(const ProjectionJob& job);

// CopyWindowFromFile's result for a file that ended before the window did:
// it has been shortened since it was opened at its full length.
inline constexpr int kCutShort = -1;

// Reads the window of `input`, a regular file at least as long as a whole
// input, into job.outImage on up to `workers` of `pool`, putting each
// stretch of rows to `output` once it is decoded. 0 when every byte came,
// else the errno of the first failed read or kCutShort (the file has been
// shortened since it was opened).
int CopyWindowFromFile(ProjectionJob& job, const PosixFile& input, WorkerPool& pool, int workers,
                       StreamedOutput& output);

}  // namespace projconv
