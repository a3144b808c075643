// Sizes at the edge of the 32-bit range that leave nothing to compute must
// cost nothing: a settings file or a command line can give any of them.

#include <chrono>
#include <limits>

#include "tests/faults/fault_support.h"

namespace projconv {

namespace faults {
namespace {

using DegenerateSizeTest = FaultTest;

// An output 0 samples wide and 2^31 - 1 high has no sample to write; walking
// its empty rows would take seconds per image. The bound only tells a walk
// from none, with room for a slow sanitizer build.
TEST_F(DegenerateSizeTest, OutputWithoutSamplesIsNotWalked) {
  job.outSizeX = 0;
  job.outSizeY = std::numeric_limits<std::int32_t>::max();
  job.cropRight = job.cropBottom = kSize - 1;  // resampling: the window is not the output's size
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace faults

}  // namespace projconv
