#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tests/fuzz/scratch_folder.h"

namespace projconv {

namespace fuzz {

// Lays out the files the bytes describe in `scratch`, runs the batch on them
// and checks what every batch must guarantee, whatever its parameters: a
// refusal is reported as one "Error" and touches no file; any other end names
// its file in one "Info" (or is a silent stop); progress counts up from 0;
// every output written is exactly 2 * outSizeX * outSizeY bytes; whatever
// kernels and threads it ran on, the batch writes the same bits as the
// reference transform. A broken guarantee is printed with the
// case and aborts the process, which a fuzzer records as a crash. Returns the
// case and how its batch ended, in one line.
std::string RunCase(std::span<const std::uint8_t> bytes, const ScratchFolder& scratch);

}  // namespace fuzz

}  // namespace projconv
