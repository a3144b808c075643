#pragma once

// Whether the buffers of a batch fit the memory this process may use, told
// before any of them is obtained. Without it a typo of a size (100000 for
// 10000) starts a batch that pages the machine to a halt, or writes a file
// of tens of gigabytes, before the system refuses it anything.

#include <cstdint>
#include <optional>

#include "engine/conversion_parameters.h"
#include "engine/refusal.h"

namespace projconv {

// What the buffers of a batch on `parameters` take, in bytes: H + 5N 16-bit
// and as many float elements, and the output image. Sizes must not be
// negative; a sum beyond 2^63 is given as 2^63.
std::uint64_t BatchBufferBytes(const ConversionParameters& parameters);

// The most a batch of this process may take: three quarters of the physical
// memory, leaving the rest to the page cache its files pass through and to
// everything else the machine runs, and no more than the address-space limit
// (RLIMIT_AS) leaves free beside what the process has mapped already.
std::uint64_t MemoryForBatches();

// A refusal naming the MiB a batch would need, when that is more than
// `available` bytes.
std::optional<Refusal> CheckMemory(const ConversionParameters& parameters,
                                   std::uint64_t available = MemoryForBatches());

}  // namespace projconv
