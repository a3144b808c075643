// Whole batches on real files with the fast transform against the reference:
// the same output files and the same buffers at the end.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/reference/reference_transform.h"
#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

struct Outcome {
  std::vector<Bytes> files;
};

// Which transform a batch runs: the sample-by-sample yardstick, or the
// engine's own at its fastest.
enum class Transform { Reference, Fastest };

class FastBatchTest : public EngineTest {
 protected:
  // Runs the batch on `transform` with a fresh copy of `inputs` and collects
  // the output files (names 0 .. count - 1; empty when missing).
  Outcome Run(Transform transform, const std::vector<Bytes>& inputs, int count) {
    for (std::size_t k = 0; k < inputs.size(); ++k) WriteInput(std::int32_t(k), inputs[k]);
    job.batch.kernels =
        transform == Transform::Reference ? TransformKernels::Reference : TransformKernels::Fastest;
    job.batch.workerThreads = 2;
    job.RunBatchWithResult();
    Outcome outcome;
    for (int k = 0; k < count; ++k)
      outcome.files.push_back(OutputExists(k) ? ReadOutput(k) : Bytes{});
    return outcome;
  }
};

TEST_F(FastBatchTest, SequenceUpToAShortFileMatchesReference) {
  Shape(120, 90, 70, 40);
  Crop(5, 3, 115, 88);
  job.angle = 7.5f;
  job.byteOrder = ByteOrder::BigEndian;
  job.headerLen = 3;
  std::vector<Bytes> inputs;
  for (std::uint32_t k = 0; k < 4; ++k)
    inputs.push_back(Concat(Bytes{1, 2, 3}, LittleEndian16(ScrambledImage(120 * 90, 40 + k))));
  inputs[2].resize(inputs[2].size() / 3);  // a short file ends both batches

  const Outcome expected = Run(Transform::Reference, inputs, 4);
  const Outcome actual = Run(Transform::Fastest, inputs, 4);
  EXPECT_EQ(actual.files, expected.files);
  EXPECT_TRUE(actual.files[2].empty());
}

TEST_F(FastBatchTest, CopiedWindowsMatchReference) {
  // A copying batch reads whole files' windows straight into the output
  // image. The second shape's window rows are far apart in the file, so each
  // is read on its own. A file that ends inside the window ends both batches.
  struct Case {
    std::int32_t width, height, left, top, right, bottom;
  };
  for (const Case c : {Case{50, 40, 7, 11, 37, 31}, Case{2200, 9, 5, 2, 17, 8}}) {
    Shape(c.width, c.height, c.right - c.left, c.bottom - c.top);
    Crop(c.left, c.top, c.right, c.bottom);
    job.byteOrder = ByteOrder::BigEndian;
    job.signedness = Signedness::Unsigned;
    job.headerLen = 3;
    const std::size_t row = 2 * std::size_t(c.width);
    std::vector<Bytes> inputs;
    for (std::uint32_t k = 0; k < 4; ++k) {
      inputs.push_back(Concat(Bytes{1, 2, 3},
                              LittleEndian16(ScrambledImage(std::size_t(row / 2) * c.height, k))));
    }
    inputs[3].resize(3 + row * std::size_t(c.top + 2) + 9);  // ends in the window, mid-sample

    const Outcome expected = Run(Transform::Reference, inputs, 4);
    const Outcome actual = Run(Transform::Fastest, inputs, 4);
    EXPECT_EQ(actual.files, expected.files) << c.width;
    EXPECT_TRUE(actual.files[3].empty()) << c.width;
  }
}

TEST_F(FastBatchTest, CopiedWindowOfItsOwnInputIsReadBeforeTheOutputCutsIt) {
  // An output replacing its own input is cut to its size as it opens; a
  // window read in stretches while the first is written would lose the rest.
  Shape(8, 600, 4, 400);
  Crop(2, 100, 6, 500);
  job.outFolder = job.inFolder;
  job.outFormat = job.inFormat;
  job.batch.workerThreads = 1;
  const std::vector<std::int16_t> image = ScrambledImage(8 * 600, 4);
  WriteInput(0, LittleEndian16(image));
  EXPECT_EQ(job.RunBatchWithResult().filesWritten, 1);
  std::vector<std::int16_t> window;
  for (int row = 100; row < 500; ++row)
    window.insert(window.end(), image.begin() + row * 8 + 2, image.begin() + row * 8 + 6);
  EXPECT_TRUE(folder.ReadFile("in/raw.0000") == LittleEndian16(window));
}

TEST_F(FastBatchTest, EnlargedOutputWrittenInPiecesMatchesReference) {
  // An output of many row stretches, each written as soon as it is made, by
  // whichever thread made it.
  Shape(300, 240, 700, 560);
  Crop(20, 10, 280, 230);
  job.angle = -12.5f;
  std::vector<Bytes> inputs;
  for (std::uint32_t k = 0; k < 2; ++k)
    inputs.push_back(LittleEndian16(ScrambledImage(300 * 240, 70 + k)));
  const Outcome expected = Run(Transform::Reference, inputs, 2);
  const Outcome actual = Run(Transform::Fastest, inputs, 2);
  EXPECT_EQ(actual.files, expected.files);
}

TEST_F(FastBatchTest, WrappedSamplesSummedOverTheImagesWritten) {
  // Float images copied as they are, with 1, 2 and 4 samples beyond the
  // 16-bit range. The third output's name is taken by a folder: that image
  // is made but not written, and its samples do not count.
  Shape(3, 2, 3, 2);
  job.sampleType = SampleType::Float32;
  const std::vector<std::vector<float>> images{{1, 2, 3, 32768, 5, 32767.9f},
                                               {-32769, 0, std::nanf(""), -32768.9f, -1e30f, 7},
                                               {HUGE_VALF, -HUGE_VALF, 40000, -40000, 0, 0}};
  for (std::size_t k = 0; k < images.size(); ++k)
    WriteInput(std::int32_t(k), FloatBytes(images[k]));
  folder.MakeFolder("out/prj002.raw");
  for (const Transform transform : {Transform::Reference, Transform::Fastest}) {
    job.batch.kernels =
        transform == Transform::Reference ? TransformKernels::Reference : TransformKernels::Fastest;
    job.batch.workerThreads = 2;
    const BatchResult result = job.RunBatchWithResult();
    EXPECT_EQ(result.filesWritten, 2);
    EXPECT_EQ(result.samplesWrapped, 3);
  }
}

// Whether process `pid` is inside an openat() call (x86-64 and arm64 number
// it 257 and 56), which for the writer of a pipe means it waits for a reader.
bool WaitsInOpen(pid_t pid) {
  const std::string file = "/proc/" + std::to_string(pid) + "/syscall";
  for (int tries = 0; tries < 5000; ++tries) {
    std::ifstream in(file);
    long number = -1;
    if (in >> number && (number == 257 || number == 56)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(FastBatchTest, NextInputThatIsAPipeIsLeftAloneUntilItsTurn) {
  // The second input is a pipe whose writer waits for a reader. Opening it
  // early, even just to hint at it, would let the writer run into a closed
  // pipe and the batch wait forever for data that is gone.
  Shape(40, 30, 40, 30);
  job.angle = 1.0f;
  const Bytes image = LittleEndian16(ScrambledImage(40 * 30, 3));
  WriteInput(0, image);
  ASSERT_EQ(::mkfifo(InName(1).c_str(), 0600), 0);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    std::signal(SIGPIPE, SIG_IGN);
    WriteInput(1, image);  // blocks until the batch opens the pipe
    ::_exit(0);
  }
  // The batch opens its inputs without waiting for a writer, and a pipe with
  // none reads as ended: it may start only once the writer waits in open.
  ASSERT_TRUE(WaitsInOpen(writer));
  const std::string outcome = RunInChild([this] {
    ::alarm(20);  // a batch waiting on an emptied pipe fails the test, not the suite
    const BatchResult result = job.RunBatchWithResult();
    return std::to_string(result.filesWritten);
  });
  int status = 0;
  ::waitpid(writer, &status, 0);
  EXPECT_EQ(outcome, "2");
  EXPECT_EQ(ReadOutput(1), ReadOutput(0));
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
