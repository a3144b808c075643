// What a batch refuses before it starts, what it lets through, and that a
// refusal leaves the job as it was.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

using Messages = std::vector<ShownMessage>;

const ShownMessage kCropRefused{"Error in position of cropped area", "Error"};
const ShownMessage kAngleRefused{"Angle of rotation should be between plus/minus 180 degrees",
                                 "Error"};
const ShownMessage kNoMemory{"Memory allocation problem", "Error"};

class CheckTest : public EngineTest {
 protected:
  // Runs a batch with no input files: either refused, or ended at the first name.
  void ExpectRefused(const ShownMessage& message) {
    reporter.messages.clear();
    const BatchResult result = job.RunBatchWithResult();
    EXPECT_EQ(result.end, BatchEnd::Refused);
    EXPECT_EQ(result.filesWritten, 0);
    ASSERT_EQ(reporter.messages.size(), 1u);
    // A refusal for want of memory goes on to say how much would be needed.
    EXPECT_TRUE(reporter.messages[0].text.starts_with(message.text)) << reporter.messages[0].text;
    EXPECT_EQ(reporter.messages[0].caption, message.caption);
  }
  void ExpectAccepted() {
    reporter.messages.clear();
    EXPECT_TRUE(job.RunBatch());
    EXPECT_EQ(reporter.messages, Messages{EndAt(InName(0), "can not be opened")});
  }
};

struct Window {
  std::int32_t left, top, right, bottom;
  bool refused;
};

// With the window the output's size at no rotation, the window may reach one
// image width or height beyond each edge, and must be 2 by 2 at least.
TEST_F(CheckTest, DirectWindowBoundaries) {
  const Window windows[] = {
      {-100, 0, 0, 100, false},  {-101, 0, -1, 100, true},  {0, -100, 100, 0, false},
      {0, -101, 100, -1, true},  {100, 0, 200, 100, false}, {101, 0, 201, 100, true},
      {0, 100, 100, 200, false}, {0, 101, 100, 201, true},  {49, 49, 51, 51, false},
      {50, 49, 51, 51, true},    {49, 50, 51, 51, true},    {60, 60, 50, 50, true},
  };
  for (const Window& w : windows) {
    SCOPED_TRACE(::testing::Message() << "window (" << w.left << ", " << w.top << ")-(" << w.right
                                      << ", " << w.bottom << ")");
    Shape(100, 100, w.right - w.left, w.bottom - w.top);
    Crop(w.left, w.top, w.right, w.bottom);
    if (w.refused) {
      ExpectRefused(kCropRefused);
    } else {
      ExpectAccepted();
    }
  }
}

TEST_F(CheckTest, WindowIsTestedOnlyWhenTheDirectPathApplies) {
  Shape(100, 100, 100, 100);
  Crop(-101, 0, -1, 100);
  const struct {
    float angle;
    bool direct;
  } angles[] = {{0.0009f, true},
                {-0.0009f, true},
                {std::nextafter(0.001f, 0.0f), true},
                {0.001f, false},
                {-0.001f, false}};
  for (const auto& a : angles) {
    SCOPED_TRACE(::testing::Message() << "angle " << a.angle);
    job.angle = a.angle;
    EXPECT_EQ(job.TakesDirectPath(), a.direct);
    if (a.direct) {
      ExpectRefused(kCropRefused);
    } else {
      ExpectAccepted();
    }
  }
  // A window of another size than the output is resampled and never tested.
  job.angle = 0.0f;
  Crop(-500, -500, 0, 100);
  ExpectAccepted();
}

TEST_F(CheckTest, AngleBoundaries) {
  Shape(8, 8, 4, 4);
  const struct {
    float angle;
    bool refused;
  } angles[] = {
      {180.0f, false},
      {-180.0f, false},
      {std::nextafter(180.0f, 1000.0f), true},
      {std::nextafter(-180.0f, -1000.0f), true},
      {std::numeric_limits<float>::infinity(), true},
      {std::numeric_limits<float>::quiet_NaN(), true},  // would pass a test written as > 180
  };
  for (const auto& a : angles) {
    SCOPED_TRACE(::testing::Message() << "angle " << a.angle);
    job.angle = a.angle;
    if (a.refused) {
      ExpectRefused(kAngleRefused);
    } else {
      ExpectAccepted();
    }
  }
}

// Refusals that name no fixed text: the caption and the one message matter.
void ExpectRefusedWithError(ProjectionJob& job, RecordingReporter& reporter) {
  reporter.messages.clear();
  EXPECT_FALSE(job.RunBatch());
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].caption, "Error");
  EXPECT_FALSE(reporter.messages[0].text.empty());
  EXPECT_FALSE(job.pipeline().buffers().intBuffer.present());
}

TEST_F(CheckTest, UnknownSampleTypeIsRefused) {
  for (std::int32_t sampleType : {2, -1, 7}) {
    SCOPED_TRACE(sampleType);
    Shape(4, 4, 4, 4);
    job.sampleType = SampleType(sampleType);
    WriteInput(0, Bytes(32, 0x12));
    ExpectRefusedWithError(job, reporter);
    EXPECT_TRUE(folder.List("out").empty());
  }
}

// A non-finite factor would turn every float image into zeros; 16-bit input
// never applies it and is converted as usual.
TEST_F(CheckTest, NonFiniteScaleIsRefusedForFloatInput) {
  for (float scale :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(scale);
    Shape(4, 4, 4, 4);
    job.scale = scale;
    job.sampleType = SampleType::Float32;
    reporter.messages.clear();
    EXPECT_FALSE(job.RunBatch());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].caption, "Error");
    job.sampleType = SampleType::Integer16;
    WriteInput(0, Bytes(32, 0x12));
    EXPECT_TRUE(job.RunBatch());
  }
}

// Negative sizes cannot be; sizes of 0 would write empty or all-zero files
// that look like a finished batch. Both are refused before anything is read.
TEST_F(CheckTest, NegativeAndEmptySizesAreRefused) {
  const std::string negative = "Image sizes and the file header length must not be negative";
  const struct {
    std::int32_t inX, inY, outX, outY, header;
    std::string message;
  } cases[] = {
      {-1, 4, 3, 3, 0, negative},
      {4, -1, 3, 3, 0, negative},
      {4, 4, -1, 3, 0, negative},
      {4, 4, 3, -1, 0, negative},
      {4, 4, 3, 3, -1, negative},
      {0, 0, 3, 3, 10, "Input size 0 x 0 has no samples: width and height must be at least 1"},
      {4, 0, 3, 3, 0, "Input size 4 x 0 has no samples: width and height must be at least 1"},
      {4, 4, 0, 24, 0, "Output size 0 x 24 has no samples: width and height must be at least 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Shape(c.inX, c.inY, c.outX, c.outY);
    Crop(0, 0, 9, 9);  // not the output's size: no window test
    job.headerLen = c.header;
    WriteInput(0, Bytes(64, 1));
    ExpectRefused({c.message, "Error"});
    EXPECT_TRUE(folder.List("out").empty());
  }
}

TEST_F(CheckTest, BuffersBeyondReachAreRefusedAndTheJobStaysUsable) {
  const std::function<void(ProjectionJob&)> huge[] = {
      [](ProjectionJob& j) { j.inSizeX = j.inSizeY = 2000000000; },
      [](ProjectionJob& j) { j.outSizeX = j.outSizeY = 2000000000; },
      [](ProjectionJob& j) {
        j.inSizeX = j.inSizeY = j.headerLen = std::numeric_limits<std::int32_t>::max();
      },
  };
  const std::vector<std::int16_t> image = ScrambledImage(16, 2);
  for (std::size_t k = 0; k < std::size(huge); ++k) {
    SCOPED_TRACE(k);
    Shape(4, 4, 3, 3);
    huge[k](job);
    ExpectRefused(kNoMemory);
    EXPECT_EQ(job.intReadArea, nullptr);  // released, as for any refused request
    EXPECT_EQ(job.floatReadArea, nullptr);
    EXPECT_EQ(job.outImage, nullptr);

    Shape(4, 4, 4, 4);
    EXPECT_EQ(ConvertOne(LittleEndian16(image)),
              std::vector<std::uint16_t>(image.begin(), image.end()));
  }
}

// Sizes the process could not hold are refused with what they would need,
// before anything is asked of the system: here under an address-space limit
// that leaves about 600 MiB, where 10000 x 4000 samples need 1145 MiB.
TEST_F(CheckTest, SizesBeyondTheMemoryAtHandAreRefusedWithWhatTheyNeed) {
  const std::string outcome = RunInChild([this] {
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    if (limit.rlim_cur != RLIM_INFINITY) return std::string("no limit");
    limit.rlim_cur = rlim_t(pages * std::uint64_t(::sysconf(_SC_PAGESIZE))) + (rlim_t(850) << 20);
    if (::setrlimit(RLIMIT_AS, &limit) != 0) return std::string("no limit");
    Shape(10000, 4000, 16, 16);
    std::string text = BatchEndName(job.RunBatchWithResult().end);
    text += " | " + (reporter.messages.empty() ? "" : reporter.messages[0].text);
    Shape(100, 100, 16, 16);
    reporter.messages.clear();
    text += " | " + std::string(BatchEndName(job.RunBatchWithResult().end));
    return text;
  });
  if (outcome == "no limit") GTEST_SKIP() << "the address space is limited already";
  EXPECT_TRUE(
      outcome.starts_with("refused | Memory allocation problem: images of these sizes "
                          "need 1145 MiB, more than the "))
      << outcome;
  EXPECT_TRUE(outcome.ends_with(" | input_missing")) << outcome;
}

TEST_F(CheckTest, PatternsNeedExactlyOneIntegerField) {
  const std::string refused[] = {"%s",
                                 "%n",
                                 "%d%d",
                                 "%",
                                 "abc",
                                 "%ld",
                                 "%*d",
                                 "%lld",
                                 "%hd",
                                 "%u",
                                 "%04x",
                                 "%%d",
                                 "%.*d",
                                 "raw.%",
                                 "%5000d",
                                 "%.5000i",
                                 "%99999999999999999999d",
                                 "%#d",
                                 "%-+ #0 8d"};
  Shape(4, 4, 4, 4);
  WriteInput(0, Bytes(32, 0x12));
  for (const std::string& pattern : refused) {
    for (bool input : {true, false}) {
      SCOPED_TRACE((input ? "input pattern " : "output pattern ") + pattern);
      job.inFormat = input ? pattern : "raw.%04i";
      job.outFormat = input ? "prj%03d.raw" : pattern;
      reporter.messages.clear();
      EXPECT_FALSE(job.RunBatch());
      ASSERT_EQ(reporter.messages.size(), 1u);
      EXPECT_EQ(reporter.messages[0].caption, "Error");
      EXPECT_NE(reporter.messages[0].text.find('"' + pattern + '"'), std::string::npos)
          << reporter.messages[0].text;
      EXPECT_TRUE(folder.List("out").empty());
    }
  }
}

TEST_F(CheckTest, AcceptedPatternsFormatAsPrintfWould) {
  const struct {
    std::string pattern, nameOf0, nameOf7;
  } accepted[] = {
      {"%5.3i", "  000", "  007"},
      {"%%%04i", "%0000", "%0007"},
      {"%-+ 0 8d", "+0      ", "+7      "},
      {"a%%b%dc%%", "a%b0c%", "a%b7c%"},
  };
  Shape(2, 2, 2, 2);
  for (const auto& a : accepted) {
    SCOPED_TRACE(a.pattern);
    reporter.messages.clear();
    job.startNumber = 7;
    job.inFormat = a.pattern;
    job.outFormat = a.pattern;
    folder.WriteFile("in/" + a.nameOf7, Bytes(8, 0x21));
    EXPECT_EQ(job.RunBatchWithResult().filesWritten, 1);
    EXPECT_TRUE(folder.Exists("out/" + a.nameOf0));
  }
}

// Every refusal before the buffers are touched leaves the last batch's
// buffers, pointers and contents as they were.
TEST_F(CheckTest, RefusedBatchLeavesPreviousBuffersUntouched) {
  const std::function<void(ProjectionJob&)> refusals[] = {
      [](ProjectionJob& j) {
        j.cropLeft = -101;
        j.cropRight = j.cropLeft + j.outSizeX;
      },
      [](ProjectionJob& j) { j.angle = 181.0f; },
      [](ProjectionJob& j) { j.sampleType = SampleType(2); },
      [](ProjectionJob& j) { j.headerLen = -4; },
      [](ProjectionJob& j) { j.outFormat = "%s"; },
  };
  for (std::size_t k = 0; k < std::size(refusals); ++k) {
    SCOPED_TRACE(k);
    Shape(100, 100, 100, 100);
    job.outFormat = "prj%03d.raw";
    ConvertOne(LittleEndian16(ScrambledImage(100 * 100, std::uint32_t(k))));
    const Bytes intBytes = BufferBytes(job.pipeline().buffers().intBuffer),
                floatBytes = BufferBytes(job.pipeline().buffers().floatBuffer),
                outBytes = BufferBytes(job.pipeline().buffers().outBuffer);
    const auto* intArea = job.intReadArea;
    const auto* floatArea = job.floatReadArea;
    const auto* outImage = job.outImage;

    refusals[k](job);
    reporter.messages.clear();
    EXPECT_FALSE(job.RunBatch());
    EXPECT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(job.intReadArea, intArea);
    EXPECT_EQ(job.floatReadArea, floatArea);
    EXPECT_EQ(job.outImage, outImage);
    EXPECT_TRUE(BufferBytes(job.pipeline().buffers().intBuffer) == intBytes);
    EXPECT_TRUE(BufferBytes(job.pipeline().buffers().floatBuffer) == floatBytes);
    EXPECT_TRUE(BufferBytes(job.pipeline().buffers().outBuffer) == outBytes);
  }
}

TEST_F(CheckTest, TransformOutsideItsBatchLeavesEverythingAlone) {
  Shape(4, 4, 4, 4);
  job.TransformImage();  // no buffers yet
  EXPECT_FALSE(job.pipeline().buffers().outBuffer.present());

  const std::vector<std::int16_t> image = ScrambledImage(16, 3);
  ConvertOne(LittleEndian16(image));
  const Bytes outBytes = BufferBytes(job.pipeline().buffers().outBuffer);
  job.inSizeX = 400;  // the buffers no longer fit these parameters
  job.outSizeX = 40;
  job.TransformImage();
  EXPECT_TRUE(BufferBytes(job.pipeline().buffers().outBuffer) == outBytes);
}

TEST_F(CheckTest, BatchWithoutReporterRunsSilently) {
  job.dialog = nullptr;
  Shape(2, 2, 2, 2);
  WriteInput(0, LittleEndian16(std::vector<std::uint16_t>{1, 2, 3, 4}));
  EXPECT_EQ(job.RunBatchWithResult().filesWritten, 1);
  EXPECT_EQ(Samples16(ReadOutput(0)), (std::vector<std::uint16_t>{1, 2, 3, 4}));
  job.angle = 200.0f;
  EXPECT_FALSE(job.RunBatch());
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
