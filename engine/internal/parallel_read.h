#pragma once

#include <cstddef>

#include "engine/internal/worker_pool.h"
#include "engine/posix_file.h"

namespace projconv {

// Reads up to `count` bytes of an open file into `into`, delivering what one
// Read of the whole would: the same bytes, and for a short file the same
// prefix with the rest of `into` untouched. A large regular file is read in
// pieces by the pool's workers at once, which copies it from the page cache
// in a fraction of the time, on up to `workers` of them (0: all the pool
// has). Returns the bytes delivered, or -1 with the file's error() set.
long long ReadInPieces(PosixFile& file, void* into, std::size_t count, WorkerPool* pool,
                       int workers = 0);

}  // namespace projconv
