// Sizes at the edge of the 32-bit range that leave nothing to compute must
// cost nothing: a settings file or a command line can give any of them.

#include <chrono>
#include <limits>

#include "tests/faults/fault_support.h"

namespace projconv {

namespace faults {
namespace {

using DegenerateSizeTest = FaultTest;

// An output 0 samples wide and 2^31 - 1 high has no sample to write: it is
// refused at once, never walked row by empty row.
TEST_F(DegenerateSizeTest, OutputWithoutSamplesIsRefusedAtOnce) {
  job.outSizeX = 0;
  job.outSizeY = std::numeric_limits<std::int32_t>::max();
  job.cropRight = job.cropBottom = kSize - 1;  // resampling: the window is not the output's size
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::Refused, 0,
                     "Error: Output size 0 x 2147483647 has no samples: width and height must be "
                     "at least 1"));
  EXPECT_EQ(OutputState(1), "0:-");
}

}  // namespace
}  // namespace faults

}  // namespace projconv
