// Faults in the inputs of a batch: a folder where a file should be, a file
// that goes away between batches or during one, and an output that replaces
// its own input. Each ends the batch at that input with a message naming it,
// keeps every output already written, and leaves the job ready for the next.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "tests/faults/fault_support.h"

namespace projconv {

namespace faults {
namespace {

using InputFaultTest = FaultTest;

TEST_F(InputFaultTest, InputThatIsAFolderEndsTheBatchAsUnreadable) {
  ASSERT_EQ(::unlink(InName(2).c_str()), 0);
  ASSERT_EQ(::mkdir(InName(2).c_str(), 0777), 0);
  EXPECT_EQ(Outcome(Run()), Expected(BatchEnd::InputNotRead, 2,
                                     EndMessage(InName(2), "can not be read", "Is a directory")));
  EXPECT_EQ(OutputState(3), "0:ok 1:ok 2:-");

  ASSERT_EQ(::rmdir(InName(2).c_str()), 0);
  RestoreInput(2);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");
}

// A FIFO that nobody writes, or one nobody reads in place of an output,
// ends the batch at once: neither open nor read may wait for another
// program, or the batch (and a window waiting for it to stop) would hang.
TEST_F(InputFaultTest, FifosWithNobodyAtTheOtherEndEndTheBatchAtOnce) {
  ASSERT_EQ(::unlink(InName(2).c_str()), 0);
  ASSERT_EQ(::mkfifo(InName(2).c_str(), 0600), 0);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputNotRead, 2, EndMessage(InName(2), "can not be read")));
  ASSERT_EQ(::unlink(InName(2).c_str()), 0);
  RestoreInput(2);

  ::unlink(OutName(1).c_str());
  ASSERT_EQ(::mkfifo(OutName(1).c_str(), 0600), 0);
  const BatchResult result = Run();
  EXPECT_EQ(result.end, BatchEnd::OutputNotWritten);
  EXPECT_EQ(result.filesWritten, 1);
}

// An input removed since the last batch is where the next one ends; the
// outputs the last batch made beyond it stay as they were.
TEST_F(InputFaultTest, InputGoneBetweenBatchesEndsTheNextOneThere) {
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  ASSERT_EQ(::unlink(InName(2).c_str()), 0);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 2, EndMessage(InName(2), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");

  RestoreInput(2);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
}

TEST_F(InputFaultTest, InputGoneDuringTheBatchEndsItThere) {
  reporter.onProgress = [this](std::int32_t fileNumber) {
    if (fileNumber == 0) {
      ASSERT_EQ(::unlink(InName(3).c_str()), 0);
    }
  };
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 3, EndMessage(InName(3), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:- 4:-");
}

// The input emptied since the last batch: nothing to convert, and the output
// of the last batch under that number stays.
TEST_F(InputFaultTest, InputEmptiedEndsTheBatchAsUnreadable) {
  EXPECT_EQ(Run().filesWritten, 5);
  WriteFile(InName(1), {});
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputNotRead, 1, EndMessage(InName(1), "can not be read")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");
}

// Each input is read whole and closed before its output replaces it, so every
// file ends up converted once: here unsigned samples, halved.
TEST_F(InputFaultTest, OutputsThatReplaceTheirInputsAreConvertedOnce) {
  job.outFolder = job.inFolder;
  job.outFormat = job.inFormat;
  job.signedness = Signedness::Unsigned;
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));

  for (int k = 0; k < kInputs; ++k) {
    Bytes halved = Input(k);
    for (std::size_t i = 0; i < halved.size(); i += 2) {
      const unsigned value = (halved[i] | (halved[i + 1] << 8)) >> 1;
      halved[i] = std::uint8_t(value & 0xFF);
      halved[i + 1] = std::uint8_t(value >> 8);
    }
    std::FILE* file = std::fopen(InName(k).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Bytes bytes(kImageBytes + 1);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    EXPECT_EQ(bytes, halved) << "file " << k;
  }

  // And the next batch converts the converted files.
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
}

}  // namespace
}  // namespace faults

}  // namespace projconv
