#pragma once

#include <cstddef>

#include "posix_file.h"
#include "worker_pool.h"

// Reads up to `count` bytes of an open file into `into`, delivering what one
// Read of the whole would: the same bytes, and for a short file the same
// prefix with the rest of `into` untouched. A large regular file is read in
// pieces by the pool's workers at once, which copies it from the page cache
// in a fraction of the time. Returns the bytes delivered, or -1 with the
// file's error() set.
long long ReadInPieces(PosixFile& file, void* into, std::size_t count, WorkerPool* pool);
