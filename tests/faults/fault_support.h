#pragma once

// What the fault tests share: a job that copies 100 x 100 16-bit images
// straight through, a scratch folder with "in" and "out", five numbered
// inputs, and a way to run a batch where a fault is set up in a child process
// (resource limits, mounts) and to bring its outcome back as text.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"
#include "tests/support/child_process.h"

namespace projconv {

namespace faults {

using Bytes = std::vector<std::uint8_t>;

class RecordingReporter : public BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void PostProgress(std::int32_t fileNumber) override;

  std::vector<std::string> messages;  // "Caption: text"
  std::vector<std::int32_t> progress;
  std::function<void(std::int32_t)> onProgress;  // runs after the number is recorded
};

class FaultTest : public ::testing::Test {
 protected:
  static constexpr int kInputs = 5;
  static constexpr std::int32_t kSize = 100;  // image width and height
  static constexpr std::size_t kImageBytes = 2 * kSize * kSize;

  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return root_ + "/" + name; }
  std::string InName(int number) const;
  std::string OutName(int number) const;
  const Bytes& Input(int number) const { return inputs_[std::size_t(number)]; }
  void WriteFile(const std::string& path, const Bytes& bytes) const;
  void RestoreInput(int number) const { WriteFile(InName(number), Input(number)); }

  // A batch from the start, with the reporter cleared first.
  BatchResult Run();

  // How a batch ended, as one line: end, files written, the messages shown.
  std::string Outcome(const BatchResult& result) const;
  std::string Expected(BatchEnd end, std::int64_t written, const std::string& message) const;
  static std::string EndMessage(const std::string& name, const std::string& ending,
                                const std::string& reason = "");

  // "k:ok" for each output that is its input copied whole, "k:<bytes>" for
  // one that is not, "k:-" for one that is missing; outputs 0 .. count - 1 of
  // `folder` (the output folder when empty).
  std::string OutputState(int count, const std::string& folder = "") const;

  ProjectionJob job;
  RecordingReporter reporter;

 private:
  std::string root_;
  std::vector<Bytes> inputs_;
};

}  // namespace faults

}  // namespace projconv
