// What another program relies on when it links the engine: jobs in one
// process stop independently, and an image held in memory converts exactly
// as a batch converts the same file.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"
#include "engine/single_image.h"
#include "tests/support/temp_folder.h"

namespace projconv {

namespace {

using test_support::Bytes;
using test_support::TempFolder;

// A rotated, smoothed conversion of 40 x 30 16-bit samples after 7 header bytes.
ConversionParameters Rotated(const TempFolder& folder) {
  ConversionParameters p;
  p.inFolder = folder.PathOf("in");
  p.outFolder = folder.PathOf("out");
  p.inFormat = "in%02d";
  p.outFormat = "out%02d";
  p.headerLen = 7;
  p.inSizeX = 40;
  p.inSizeY = 30;
  p.outSizeX = 13;
  p.outSizeY = 9;
  p.cropLeft = 3;
  p.cropTop = 2;
  p.cropRight = 37;
  p.cropBottom = 27;
  p.rotCentreX = 20;
  p.rotCentreY = 15;
  p.angle = -12.5f;
  return p;
}

Bytes InputFile(std::uint32_t seed) {
  Bytes bytes(7 + 2 * 40 * 30);
  for (auto& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = std::uint8_t(seed >> 24);
  }
  return bytes;
}

void WriteInputs(const TempFolder& folder, int count) {
  folder.MakeFolder("in");
  folder.MakeFolder("out");
  for (int k = 0; k < count; ++k) {
    folder.WriteFile("in/in0" + std::to_string(k), InputFile(std::uint32_t(k + 1)));
  }
}

// Calls `onFile` after each file written.
class Progress : public BatchReporter {
 public:
  explicit Progress(std::function<void()> onFile) : onFile_(std::move(onFile)) {}
  void ShowMessage(const std::string&, const std::string&) override {}
  void PostProgress(std::int32_t) override { onFile_(); }

 private:
  std::function<void()> onFile_;
};

TEST(JobStop, StoppingOneJobLeavesAnotherRunning) {
  TempFolder first, second;
  WriteInputs(first, 4);
  WriteInputs(second, 4);
  ProjectionJob stopped, running;
  stopped.SetParameters(Rotated(first));
  running.SetParameters(Rotated(second));
  Progress stopAfterOne([&] { stopped.RequestStop(); });
  Progress goOn([] {});
  stopped.dialog = &stopAfterOne;
  running.dialog = &goOn;

  BatchResult stoppedResult, runningResult;
  std::thread other([&] { runningResult = running.RunBatchWithResult(); });
  stoppedResult = stopped.RunBatchWithResult();
  other.join();

  EXPECT_EQ(stoppedResult.end, BatchEnd::Stopped);
  EXPECT_EQ(stoppedResult.filesWritten, 1);
  EXPECT_EQ(runningResult.end, BatchEnd::InputMissing);
  EXPECT_EQ(runningResult.filesWritten, 4);
}

TEST(JobStop, OnlyJobsPointedAtTheDesktopFlagWatchIt) {
  TempFolder folder;
  WriteInputs(folder, 2);
  cancelRequested = 1;
  ProjectionJob own, shared;
  own.SetParameters(Rotated(folder));
  shared.SetParameters(Rotated(folder));
  shared.batch.stopFlag = &cancelRequested;
  EXPECT_EQ(own.RunBatchWithResult().filesWritten, 2);
  EXPECT_EQ(shared.RunBatchWithResult().end, BatchEnd::Stopped);
  cancelRequested = 0;
}

TEST(ConvertImage, GivesWhatABatchWritesForTheFile) {
  TempFolder folder;
  WriteInputs(folder, 1);
  ProjectionJob job;
  job.SetParameters(Rotated(folder));
  ASSERT_EQ(job.RunBatchWithResult().filesWritten, 1);
  const Bytes written = folder.ReadFile("out/out00");

  ConversionParameters inMemory = Rotated(folder);
  inMemory.inFormat = inMemory.outFormat = "";  // no files: the names play no part
  for (const int threads : {1, 3}) {
    std::vector<std::int16_t> out(13 * 9, 0x5555);
    const Bytes file = InputFile(1);
    ASSERT_EQ(ConvertImage(inMemory, file, out, threads), std::nullopt);
    ASSERT_EQ(written.size(), out.size() * 2);
    EXPECT_EQ(std::memcmp(written.data(), out.data(), written.size()), 0) << threads << " threads";
  }
}

// Python threads call in at once, each with its own or the shared workers.
TEST(ConvertImage, CallsFromSeveralThreadsAtOnceGiveTheirOwnImages) {
  TempFolder folder;
  ConversionParameters p = Rotated(folder);
  p.inFormat = p.outFormat = "";
  std::vector<Bytes> files;
  std::vector<std::vector<std::int16_t>> alone(4, std::vector<std::int16_t>(13 * 9));
  for (std::uint32_t k = 0; k < 4; ++k) {
    files.push_back(InputFile(k + 1));
    ASSERT_EQ(ConvertImage(p, files[k], alone[k], 1), std::nullopt);
  }
  std::vector<std::vector<std::int16_t>> together(4, std::vector<std::int16_t>(13 * 9));
  std::vector<std::thread> callers;
  for (std::size_t k = 0; k < 4; ++k) {
    callers.emplace_back([&, k] {
      for (int round = 0; round < 5; ++round) {
        if (ConvertImage(p, files[k], together[k], k % 2 ? 1 : 2)) together[k].clear();
      }
    });
  }
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(together, alone);
}

TEST(ConvertImage, RefusesWithAKindToBranchOn) {
  TempFolder folder;
  const Bytes file = InputFile(1);
  std::vector<std::int16_t> out(13 * 9);
  struct Case {
    const char* what;
    void (*change)(ConversionParameters&);
    std::size_t bytes;
    std::size_t outSamples;
    RefusalKind kind;
  } cases[] = {
      {"angle", [](ConversionParameters& p) { p.angle = 200; }, file.size(), out.size(),
       RefusalKind::Angle},
      {"sample type", [](ConversionParameters& p) { p.sampleType = SampleType(2); }, file.size(),
       out.size(), RefusalKind::SampleType},
      {"no bytes", [](ConversionParameters&) {}, 0, out.size(), RefusalKind::NoInput},
      {"small buffer", [](ConversionParameters&) {}, file.size(), out.size() - 1,
       RefusalKind::OutputTooSmall},
      {"huge input", [](ConversionParameters& p) { p.inSizeX = p.inSizeY = 2000000000; },
       file.size(), out.size(), RefusalKind::Memory},
  };
  for (const Case& c : cases) {
    ConversionParameters p = Rotated(folder);
    c.change(p);
    const auto refusal =
        ConvertImage(p, std::span(file).first(c.bytes), std::span(out).first(c.outSamples));
    ASSERT_TRUE(refusal.has_value()) << c.what;
    EXPECT_EQ(refusal->kind, c.kind) << c.what << ": " << refusal->message;
  }
}

}  // namespace

}  // namespace projconv
