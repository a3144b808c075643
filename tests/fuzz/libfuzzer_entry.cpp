// The entry libFuzzer calls for every input it makes.

#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_run.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const projconv::fuzz::ScratchFolder scratch;
  projconv::fuzz::RunCase({data, size}, scratch);
  return 0;
}
