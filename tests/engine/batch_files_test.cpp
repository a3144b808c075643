// Batches over real files: numbering, how a batch ends, what a short or long
// file leaves behind, replacing outputs, stopping, and failing reads and writes.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

using Image16 = std::vector<std::int16_t>;
using Output = std::vector<std::uint16_t>;
using Messages = std::vector<ShownMessage>;

Output AsOutput(const Image16& image) {
  return Output(image.begin(), image.end());
}

class BatchTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Shape(4, 3, 4, 3);
  }
};

TEST_F(BatchTest, StartNumberSevenReadsRaw0007AndWritesRaw0000) {
  job.outFormat = "raw.%04i";
  job.startNumber = 7;
  folder.WriteFile("in/raw.0007", LittleEndian16(ScrambledImage(12, 1)));

  EXPECT_TRUE(job.RunBatch());
  EXPECT_EQ(folder.List("out"), std::vector<std::string>{"raw.0000"});
  EXPECT_EQ(reporter.progress, std::vector<std::int32_t>{0});
  EXPECT_EQ(reporter.messages, (Messages{{"File  " + folder.path() +
                                              "/in/raw.0008   can not be opened. "
                                              "Converting is finished",
                                          "Info"}}));
}

TEST_F(BatchTest, MissingFirstFileEndsAtOnce) {
  job.startNumber = 3;
  EXPECT_TRUE(job.RunBatch());
  EXPECT_EQ(reporter.messages, Messages{EndAt(InName(3), "can not be opened")});
  EXPECT_TRUE(reporter.progress.empty());
  EXPECT_TRUE(folder.List("out").empty());

  reporter.messages.clear();
  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputMissing);
  EXPECT_EQ(result.filesWritten, 0);
  EXPECT_EQ(result.fileName, InName(3));
}

TEST_F(BatchTest, NumberedFilesConvertInOrderUntilOneIsMissing) {
  job.startNumber = 5;
  std::vector<Image16> images;
  for (int k = 0; k < 3; ++k) {
    images.push_back(ScrambledImage(12, std::uint32_t(100 + k)));
    WriteInput(5 + k, LittleEndian16(images.back()));
  }

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputMissing);
  EXPECT_EQ(result.filesWritten, 3);
  EXPECT_EQ(result.fileName, InName(8));
  EXPECT_EQ(reporter.messages, Messages{EndAt(InName(8), "can not be opened")});
  EXPECT_EQ(reporter.progress, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(folder.List("out"),
            (std::vector<std::string>{"prj000.raw", "prj001.raw", "prj002.raw"}));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Samples16(ReadOutput(k)), AsOutput(images[k])) << k;
}

TEST_F(BatchTest, EmptyFileEndsBatchKeepingEarlierOutputs) {
  WriteInput(0, LittleEndian16(ScrambledImage(12, 1)));
  WriteInput(1, {});
  WriteInput(2, LittleEndian16(ScrambledImage(12, 2)));

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputNotRead);
  EXPECT_EQ(result.filesWritten, 1);
  EXPECT_EQ(result.fileName, InName(1));
  EXPECT_EQ(
      reporter.messages,
      (Messages{{"File  " + InName(1) + "   can not be read. Converting is finished", "Info"}}));
  EXPECT_EQ(reporter.progress, std::vector<std::int32_t>{0});
  EXPECT_EQ(folder.List("out"), std::vector<std::string>{"prj000.raw"});
}

TEST_F(BatchTest, ShortInputEndsTheBatchWithoutItsOutput) {
  const struct {
    const char* name;
    SampleType type;
    std::int32_t headerLen;
    float angle;
    std::size_t bytes;  // of input 2
  } cases[] = {
      {"copied, ends mid-sample", SampleType::Integer16, 0, 0.0f, 23},
      {"resampled, header only", SampleType::Integer16, 5, 5.0f, 5},
      {"float, one byte short", SampleType::Float32, 3, 0.0f, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reporter.messages.clear();
    job.sampleType = c.type;
    job.headerLen = c.headerLen;
    job.angle = c.angle;
    const std::size_t whole = std::size_t(c.headerLen) + (c.type == SampleType::Float32 ? 48 : 24);
    for (std::int32_t k : {0, 1, 3}) WriteInput(k, Concat(Bytes(whole, 7), Bytes(k, 9)));
    WriteInput(2, Bytes(c.bytes, 7));
    folder.WriteFile("out/prj002.raw", Bytes{1, 2, 3});

    const BatchResult result = job.RunBatchWithResult();
    EXPECT_EQ(result.end, BatchEnd::InputShort);
    EXPECT_EQ(result.filesWritten, 2);
    EXPECT_EQ(reporter.messages, Messages{EndAt(InName(2), "holds " + std::to_string(c.bytes) +
                                                               " bytes, a whole input needs " +
                                                               std::to_string(whole))});
    EXPECT_EQ(ReadOutput(1), ReadOutput(0));
    EXPECT_EQ(ReadOutput(2), (Bytes{1, 2, 3}));
    EXPECT_FALSE(OutputExists(3));
  }
}

TEST_F(BatchTest, ExistingLongerOutputIsReplacedWhole) {
  folder.WriteFile("out/prj000.raw", Bytes(1000, 0xEE));
  const Image16 image = ScrambledImage(12, 8);
  WriteInput(0, LittleEndian16(image));

  EXPECT_EQ(job.RunBatchWithResult().filesWritten, 1);
  EXPECT_EQ(ReadOutput(0), LittleEndian16(image));  // exactly 2 * 4 * 3 bytes
}

TEST_F(BatchTest, InputIsReadBeforeAnOutputOfTheSameNameReplacesIt) {
  job.outFolder = job.inFolder;
  job.outFormat = job.inFormat;
  job.signedness = Signedness::Unsigned;
  job.outSizeX = 3;
  job.outSizeY = 2;
  Crop(1, 1, 4, 3);
  const std::vector<std::uint16_t> first = {0, 1, 2, 3, 4, 6, 8, 10, 12, 14, 16, 18};
  const std::vector<std::uint16_t> second(12, 0xFFFF);
  WriteInput(0, LittleEndian16(first));
  WriteInput(1, LittleEndian16(second));

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.filesWritten, 2);
  EXPECT_EQ(reporter.messages, Messages{EndAt(InName(2), "can not be opened")});
  EXPECT_EQ(Samples16(folder.ReadFile("in/raw.0000")), (Output{3, 4, 5, 7, 8, 9}));
  EXPECT_EQ(Samples16(folder.ReadFile("in/raw.0001")), Output(6, 0x7FFF));
}

TEST_F(BatchTest, StopRequestedDuringAnImageEndsAfterItsOutput) {
  const Image16 first = ScrambledImage(12, 1);
  WriteInput(0, LittleEndian16(first));
  WriteInput(1, LittleEndian16(ScrambledImage(12, 2)));
  WriteInput(2, LittleEndian16(ScrambledImage(12, 3)));
  reporter.onProgress = [this](std::int32_t) { job.RequestStop(); };

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::Stopped);
  EXPECT_EQ(result.filesWritten, 1);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(reporter.progress, std::vector<std::int32_t>{0});
  EXPECT_EQ(folder.List("out"), std::vector<std::string>{"prj000.raw"});
  // The next file was never read: the output image, where this batch reads
  // its window, still holds the first image.
  EXPECT_EQ(Output(job.outImage, job.outImage + 12), AsOutput(first));
}

TEST_F(BatchTest, StopRequestedBeforeStartOpensNothing) {
  folder.MakeFolder("in/raw.0000");  // reading it would end with a message
  job.RequestStop();

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::Stopped);
  EXPECT_EQ(result.filesWritten, 0);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_TRUE(reporter.progress.empty());
  EXPECT_TRUE(folder.List("out").empty());
  ASSERT_TRUE(job.pipeline().buffers().intBuffer.present());  // prepared all the same
  EXPECT_EQ(job.intReadArea, job.pipeline().buffers().intBuffer.data() + 24);
}

TEST_F(BatchTest, DirectoryInPlaceOfInputIsAReadError) {
  WriteInput(0, LittleEndian16(ScrambledImage(12, 1)));
  folder.MakeFolder("in/raw.0001");

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputNotRead);
  EXPECT_EQ(result.filesWritten, 1);
  EXPECT_EQ(reporter.messages, Messages{EndAt(InName(1), "can not be read", "Is a directory")});
}

TEST_F(BatchTest, InputThatCannotBeOpenedEndsTheBatch) {
  folder.WriteFile("in/plain", Bytes(24, 0));
  const struct {
    std::string folder, format, name;
    BatchEnd end;
    std::string reason;  // none for the normal end of a sequence
  } cases[] = {
      {folder.PathOf("in"), "raw.%04i", folder.PathOf("in/raw.0000"), BatchEnd::InputMissing, ""},
      {folder.PathOf("in/plain"), "raw.%04i", folder.PathOf("in/plain/raw.0000"),
       BatchEnd::InputMissing, "No such folder"},
      {folder.PathOf("gone"), "raw.%04i", folder.PathOf("gone/raw.0000"), BatchEnd::InputMissing,
       "No such folder"},
      {folder.PathOf("in"), "%0300d", folder.PathOf("in/" + std::string(300, '0')),
       BatchEnd::InputNotOpened, "File name too long"},
      // The folder is joined as it stands, even when it ends in a separator.
      {folder.PathOf("in/"), "raw.%04i", folder.PathOf("in//raw.0000"), BatchEnd::InputMissing, ""},
  };
  for (const auto& c : cases) {
    reporter.messages.clear();
    job.inFolder = c.folder;
    job.inFormat = c.format;
    const BatchResult result = job.RunBatchWithResult();
    EXPECT_EQ(result.end, c.end) << c.name;
    EXPECT_EQ(result.fileName, c.name);
    EXPECT_EQ(reporter.messages, Messages{EndAt(c.name, "can not be opened", c.reason)});
  }
}

TEST_F(BatchTest, FolderTextIsNotAFormat) {
  folder.MakeFolder("in%s%n%d");
  folder.MakeFolder("out%s%n");
  job.inFolder = folder.PathOf("in%s%n%d");
  job.outFolder = folder.PathOf("out%s%n");
  const Image16 image = ScrambledImage(12, 6);
  folder.WriteFile("in%s%n%d/raw.0000", LittleEndian16(image));

  EXPECT_EQ(job.RunBatchWithResult().filesWritten, 1);
  EXPECT_EQ(Samples16(folder.ReadFile("out%s%n/prj000.raw")), AsOutput(image));
  EXPECT_EQ(reporter.messages,
            Messages{EndAt(folder.PathOf("in%s%n%d/raw.0001"), "can not be opened")});
}

TEST_F(BatchTest, MissingOutputFolderEndsWithWriteMessage) {
  job.outFolder = folder.PathOf("absent");
  WriteInput(0, LittleEndian16(ScrambledImage(12, 1)));
  const std::string outName = folder.PathOf("absent/prj000.raw");

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::OutputNotWritten);
  EXPECT_EQ(result.filesWritten, 0);
  EXPECT_EQ(result.fileName, outName);
  EXPECT_EQ(reporter.messages, Messages{EndAt(outName, "can not be wrote", "No such folder")});
  EXPECT_TRUE(reporter.progress.empty());
}

std::string Describe(const BatchResult& result, const Messages& messages) {
  std::string text = "end " + std::to_string(int(result.end)) + ", written " +
                     std::to_string(result.filesWritten) + ", at " + result.fileName;
  for (const ShownMessage& m : messages) text += "\n[" + m.caption + "] " + m.text;
  return text;
}

// A write cut short by the file size limit ends the batch; the child process
// lowers its limit once two outputs are written.
TEST_F(BatchTest, FailedWriteEndsBatchKeepingEarlierOutputs) {
  Shape(8, 8, 8, 8);
  std::vector<Image16> images;
  for (int k = 0; k < 4; ++k) {
    images.push_back(ScrambledImage(64, std::uint32_t(k + 1)));
    WriteInput(k, LittleEndian16(images.back()));
  }

  const std::string outcome = RunInChild([this] {
    std::signal(SIGXFSZ, SIG_IGN);
    reporter.onProgress = [](std::int32_t fileNumber) {
      if (fileNumber != 1) return;
      struct rlimit limit;
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = 100;  // one output needs 128 bytes
      ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const BatchResult result = job.RunBatchWithResult();
    return Describe(result, reporter.messages);
  });

  EXPECT_EQ(outcome, Describe({BatchEnd::OutputNotWritten, 2, OutName(2)},
                              {EndAt(OutName(2), "can not be wrote", "File too large")}));
  EXPECT_EQ(Samples16(ReadOutput(0)), AsOutput(images[0]));
  EXPECT_EQ(Samples16(ReadOutput(1)), AsOutput(images[1]));
  EXPECT_EQ(ReadOutput(2).size(), 100u);  // what reached the disk stays there
  EXPECT_FALSE(OutputExists(3));
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
