// The preview's output is the batch's first output file, sample for sample,
// whatever the parameters; and where a batch would be refused the preview
// says so in the batch's words.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/projection_job.h"
#include "engine/single_image.h"
#include "preview/preview_renderer.h"
#include "tests/preview/preview_test_support.h"

namespace projconv {

namespace preview_test {
namespace {

struct Case {
  const char* name;
  std::int32_t sampleType, byteOrder, signedness, headerLen;
  std::int32_t inX, inY, outX, outY;
  std::int32_t left, top, right, bottom;
  std::int32_t centreX, centreY;
  float angle;
  float scale;
};

const Case kCases[] = {
    {"Int16DirectWindowPartlyOutside", 0, 0, 0, 6, 40, 30, 20, 16, -8, -5, 12, 11, 20, 15, 0.0f,
     1.0f},
    {"Int16BigEndianUnsignedRotatedReduced", 0, 1, 1, 3, 48, 40, 17, 13, 2, 3, 46, 38, 20, 18,
     33.5f, 1.0f},
    {"Int16Rotated90EnlargedBeyondEdges", 0, 0, 0, 0, 24, 20, 50, 45, -6, -4, 30, 26, 12, 10, 90.0f,
     1.0f},
    {"Int16MirroredRows", 0, 0, 0, 2, 32, 20, 32, 20, 31, 0, -1, 20, 16, 10, 0.0f, 1.0f},
    {"Int16NearlyNoAngleTakesTheDirectPath", 0, 0, 1, 1, 30, 30, 12, 12, 20, 22, 32, 34, 15, 15,
     0.0009f, 1.0f},
    {"Int16RotatedReduced", 0, 0, 0, 10, 30, 20, 15, 10, 0, 0, 30, 20, 15, 10, 7.0f, 1.0f},
    {"FloatScaledRotatedReducedOneWay", 1, 1, 1, 12, 36, 28, 36, 9, 0, 0, 36, 28, 18, 14, -127.25f,
     2.5f},
    {"FloatDirectNegativeScale", 1, 0, 0, 4, 16, 16, 10, 10, 3, 2, 13, 12, 8, 8, 0.0f, -1.5f},
    {"FloatHalfTurnEnlargedPastBottomRight", 1, 0, 0, 0, 20, 24, 64, 40, 10, 12, 30, 30, 19, 23,
     180.0f, 1.0f},
    {"FloatReducedBothWays", 1, 0, 0, 5, 40, 40, 13, 11, -3, -2, 38, 37, 20, 20, -12.0f, 0.25f},
};

ConverterValues ValuesOf(const TempFolder& folder, const Case& c) {
  ConverterValues v = PlainValues(folder, c.inX, c.inY);
  v.startNumber = 5;
  v.sampleType = SampleType(c.sampleType);
  v.byteOrder = ByteOrder(c.byteOrder);
  v.signedness = Signedness(c.signedness);
  v.headerLen = c.headerLen;
  v.outSizeX = c.outX;
  v.outSizeY = c.outY;
  v.cropLeft = c.left;
  v.cropTop = c.top;
  v.cropRight = c.right;
  v.cropBottom = c.bottom;
  v.rotCentreX = c.centreX;
  v.rotCentreY = c.centreY;
  v.angle = c.angle;
  v.scale = c.scale;
  return v;
}

// Writes the case's first input (number 5) and a different second one.
void WriteInputs(const TempFolder& folder, const Case& c, std::uint32_t seed) {
  const std::size_t samples = std::size_t(c.inX) * std::size_t(c.inY);
  for (const char* name : {"in/raw.0005", "in/raw.0006"}) {
    Bytes bytes = ScrambledBytes(std::size_t(c.headerLen), seed++);
    const Bytes image = SampleType(c.sampleType) == SampleType::Integer16
                            ? ScrambledBytes(2 * samples, seed++)
                            : ScrambledFloatBytes(samples, seed++, 50000.0f);
    bytes.insert(bytes.end(), image.begin(), image.end());
    folder.WriteFile(name, bytes);
  }
}

PreviewPicture Render(PreviewRenderer& renderer, const ConverterValues& values) {
  renderer.job().SetParameters(values);
  return renderer.Render(true);
}

TEST(FirstImage, PreviewOutputIsTheBatchsFirstOutputFile) {
  // One renderer for every case, as the dialog keeps one: what it keeps
  // between pictures must never leak into the next.
  PreviewRenderer renderer(0);
  std::uint32_t seed = 1;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const ConverterValues values = ValuesOf(folder, c);
    WriteInputs(folder, c, seed += 10);

    const PreviewPicture picture = Render(renderer, values);
    const BatchOutcome batch = RunBatchOn(values);
    ASSERT_FALSE(batch.refused) << batch.firstMessage;
    ASSERT_TRUE(picture.output.has_value()) << picture.outputReason;
    EXPECT_EQ(LittleEndian(picture.outputSamples), batch.firstOutput);
    EXPECT_EQ(picture.inputName, folder.PathOf("in/raw.0005"));
    EXPECT_EQ(picture.input->sampleWidth, c.inX);
    EXPECT_EQ(picture.output->sampleHeight, c.outY);
    EXPECT_EQ(picture.inputNote, "");
  }
}

TEST(FirstImage, FollowsChangesOfGeometryAndOfTheFile) {
  const Case& c = kCases[1];
  TempFolder folder;
  ConverterValues values = ValuesOf(folder, c);
  WriteInputs(folder, c, 77);
  PreviewRenderer renderer(0);
  Render(renderer, values);

  values.angle = -61.0f;  // the bytes read stay; the geometry is new
  values.outSizeX = 23;
  EXPECT_EQ(LittleEndian(Render(renderer, values).outputSamples), RunBatchOn(values).firstOutput);

  Bytes shorter = folder.ReadFile("in/raw.0006");
  shorter.resize(shorter.size() / 2);
  folder.WriteFile("in/raw.0005", shorter);  // a new file: read afresh
  // A batch ends at a short file without an output; the preview shows the
  // file and says so.
  const PreviewPicture picture = Render(renderer, values);
  EXPECT_FALSE(picture.inputNote.empty());
  EXPECT_TRUE(picture.input.has_value());
  EXPECT_FALSE(picture.output.has_value());
  EXPECT_EQ(picture.outputFault, PreviewFault::File);
  const std::string holds = "holds " + std::to_string(shorter.size()) + " bytes";
  EXPECT_NE(picture.outputReason.find(holds), std::string::npos) << picture.outputReason;
  EXPECT_NE(RunBatchOn(values).firstMessage.find(holds), std::string::npos);
}

TEST(FirstImage, StopRequestOfABatchDoesNotChangeThePreview) {
  const Case& c = kCases[6];
  TempFolder folder;
  const ConverterValues values = ValuesOf(folder, c);
  WriteInputs(folder, c, 5);
  const Bytes expected = RunBatchOn(values).firstOutput;
  PreviewRenderer renderer(0);
  cancelRequested = 1;
  const PreviewPicture picture = Render(renderer, values);
  EXPECT_EQ(cancelRequested.load(), 1);
  cancelRequested = 0;
  EXPECT_EQ(LittleEndian(picture.outputSamples), expected);
}

TEST(FirstImage, RefusalIsTheBatchsMessageAndTheInputIsStillShown) {
  struct Refusal {
    const char* name;
    void (*spoil)(ConverterValues&);
  };
  const Refusal refusals[] = {
      {"WindowTooFarOut",
       [](ConverterValues& v) { v.cropLeft = -41, v.cropRight = v.outSizeX - 41; }},
      {"AngleBeyondHalfTurn", [](ConverterValues& v) { v.angle = 180.5f; }},
      {"OutputFormatWithoutField", [](ConverterValues& v) { v.outFormat = "out.raw"; }},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    TempFolder folder;
    ConverterValues values = PlainValues(folder, 40, 30);
    folder.WriteFile("in/raw.0000", ScrambledBytes(2400, 3));
    r.spoil(values);
    PreviewRenderer renderer(256);
    const PreviewPicture picture = Render(renderer, values);
    const BatchOutcome batch = RunBatchOn(values);
    ASSERT_TRUE(batch.refused);
    EXPECT_FALSE(picture.output.has_value());
    EXPECT_EQ(picture.outputFault, PreviewFault::Parameters);
    EXPECT_EQ(picture.outputReason, batch.firstMessage);
    EXPECT_TRUE(picture.input.has_value());
  }
}

// The image is converted in memory, where names play no part; the batch it
// stands for would still refuse an output that is a later input.
TEST(FirstImage, OutputOverALaterInputIsTheBatchsRefusal) {
  TempFolder folder;
  const ConverterValues values = PlainValues(folder, 40, 30);
  folder.WriteFile("in/raw.0000", ScrambledBytes(2400, 3));
  folder.WriteFile("in/raw.0001", ScrambledBytes(2400, 4));
  ASSERT_EQ(::symlink(folder.PathOf("in/raw.0001").c_str(), folder.PathOf("out/out.0000").c_str()),
            0);
  PreviewRenderer renderer(256);
  const PreviewPicture picture = Render(renderer, values);
  const BatchOutcome batch = RunBatchOn(values);
  ASSERT_TRUE(batch.refused);
  EXPECT_EQ(picture.outputFault, PreviewFault::Parameters);
  EXPECT_EQ(picture.outputReason, batch.firstMessage);
  EXPECT_TRUE(picture.outputSamples.empty());
}

TEST(FirstImage, FileProblemsAreOneLineReasonsInBothParts) {
  TempFolder folder;
  ConverterValues values = PlainValues(folder, 8, 8);
  folder.MakeFolder("in/raw.0002");  // a folder where a file should be
  folder.WriteFile("in/raw.0001", {});
  folder.WriteFile("in/raw.0004", Bytes(200));
  // Opening or reading a FIFO could wait for ever: the preview leaves it alone.
  ASSERT_EQ(::mkfifo(folder.PathOf("in/raw.0003").c_str(), 0600), 0);
  const struct {
    std::int32_t start;
    std::string format;
    std::int32_t width;
    std::string reason;
  } cases[] = {
      {0, "raw.%04i", 8, "No input file " + folder.PathOf("in/raw.0000")},
      {1, "raw.%04i", 8, folder.PathOf("in/raw.0001") + " is empty"},
      {2, "raw.%04i", 8, folder.PathOf("in/raw.0002") + " cannot be read: Is a directory"},
      {3, "raw.%04i", 8,
       folder.PathOf("in/raw.0003") + " is not a regular file; the preview reads only files"},
      {4, "raw.%04i", 0,
       "Input width is 0 and there is no file header: a batch reads nothing of the input"},
      {0, "raw.%s", 8,
       "Input name format \"raw.%s\" needs exactly one integer field, such as %04i"},
  };
  PreviewRenderer renderer(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    values.startNumber = c.start;
    values.inFormat = c.format;
    values.inSizeX = c.width;
    const PreviewPicture picture = Render(renderer, values);
    EXPECT_FALSE(picture.input.has_value());
    EXPECT_EQ(picture.inputReason, c.reason);
    EXPECT_EQ(picture.outputReason, c.reason);
    EXPECT_EQ(picture.inputReason.find('\n'), std::string::npos);
  }
}

// The conversion's buffers follow the typed sizes, not the file: beyond a
// cap the preview says so instead of taking gigabytes for a small file.
TEST(FirstImage, SizesBeyondTheCapAreNamedNotAllocated) {
  TempFolder folder;
  ConverterValues values = PlainValues(folder, 8, 8);
  folder.WriteFile("in/raw.0000", Bytes(128));
  values.inSizeX = values.inSizeY = 10000;
  PreviewRenderer renderer(0);
  const PreviewPicture picture = Render(renderer, values);
  EXPECT_EQ(picture.outputFault, PreviewFault::Memory);
  EXPECT_NE(picture.outputReason.find("MiB"), std::string::npos) << picture.outputReason;
}

TEST(FirstImage, ConvertingLeavesTheJobAsItWasGivenAndWritesNothing) {
  TempFolder folder;
  const ConverterValues values = PlainValues(folder, 12, 10);
  ProjectionJob job;
  job.SetParameters(values);
  class Silent : public BatchReporter {
    void ShowMessage(const std::string&, const std::string&) override { ++shown; }
    void PostProgress(std::int32_t) override {}

   public:
    int shown = 0;
  } reporter;
  job.dialog = &reporter;
  const Bytes bytes = ScrambledBytes(240, 9);
  EXPECT_FALSE(ConvertFirstImage(job, bytes).has_value());
  EXPECT_EQ(job.inFolder, values.inFolder);
  EXPECT_EQ(job.outFolder, values.outFolder);
  EXPECT_EQ(job.dialog, &reporter);
  EXPECT_EQ(reporter.shown, 0);
  EXPECT_TRUE(std::filesystem::is_empty(folder.PathOf("out")));
  // The direct path copies the whole window: the output is the input.
  EXPECT_EQ(Bytes(reinterpret_cast<unsigned char*>(job.outImage),
                  reinterpret_cast<unsigned char*>(job.outImage) + 240),
            bytes);
}

TEST(FirstImage, ReadsWhatTheBatchReadsAndNoMore) {
  TempFolder folder;
  ConverterValues values = PlainValues(folder, 10, 10);
  values.headerLen = 3;
  values.sampleType = SampleType::Float32;
  const Bytes file = ScrambledBytes(1000, 4);
  folder.WriteFile("in/raw.0000", file);
  ProjectionJob job;
  job.SetParameters(values);
  const InputBytes input = ReadInputBytes(job, *FirstInputName(job));
  EXPECT_EQ(input.status, InputBytes::Status::Read);
  EXPECT_EQ(input.readLength, 403u);
  EXPECT_EQ(input.bytes, Bytes(file.begin(), file.begin() + 403));

  job.sampleType = SampleType(2);
  EXPECT_EQ(ReadInputBytes(job, *FirstInputName(job)).status, InputBytes::Status::Refused);
}

}  // namespace
}  // namespace preview_test

}  // namespace projconv
