#pragma once

#include "projection_job.h"

// What projconv-batch tells the shell.
inline constexpr int kExitConverted = 0;   // the sequence ended at its first missing input
inline constexpr int kExitFileFailed = 1;  // a file could not be opened, read or written
inline constexpr int kExitRefused = 2;     // parameters, memory or the settings file
inline constexpr int kExitUsage = 64;      // a malformed command line
inline constexpr int kExitInterrupted = 130;

int ExitCodeFor(BatchEnd end);
