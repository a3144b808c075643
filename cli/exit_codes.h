#pragma once

#include "engine/projection_job.h"

namespace projconv {

// What projconv-batch tells the shell.
inline constexpr int kExitConverted = 0;   // the sequence ended at its first missing input
inline constexpr int kExitFileFailed = 1;  // a file could not be opened, read or written
inline constexpr int kExitRefused = 2;     // parameters, memory or the settings file
inline constexpr int kExitNoInput = 3;     // the very first input is missing: nothing converted
inline constexpr int kExitUsage = 64;      // a malformed command line
inline constexpr int kExitInterrupted = 130;

// What the shell is told about a batch that ended so, having written
// `filesWritten` files.
int ExitCodeFor(BatchEnd end, std::int64_t filesWritten);

}  // namespace projconv
