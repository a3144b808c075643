#pragma once

// Shared pieces of the engine tests: a reporter that records what a batch
// shows and posts, a temporary folder for real input and output files, byte
// encoders for raw images, and a fixture that runs a job on one folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/internal/image_pipeline.h"
#include "engine/projection_job.h"
#include "tests/support/child_process.h"
#include "tests/support/parameter_printing.h"
#include "tests/support/temp_folder.h"

namespace projconv {

namespace engine_test {

using Bytes = std::vector<std::uint8_t>;

struct ShownMessage {
  std::string text;
  std::string caption;
  bool operator==(const ShownMessage&) const = default;
};
void PrintTo(const ShownMessage& message, std::ostream* os);

// The "Info" box that ends a batch at `name`, e.g. ending "can not be opened",
// with the system's reason on a line of its own when there is one.
ShownMessage EndAt(const std::string& name, const std::string& ending,
                   const std::string& reason = "");

class RecordingReporter : public BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void PostProgress(std::int32_t fileNumber) override;

  std::vector<ShownMessage> messages;
  std::vector<std::int32_t> progress;
  std::function<void(std::int32_t)> onProgress;  // runs after the number is recorded
};

using test_support::TempFolder;

// Raw encodings of sample arrays, as a detector file would hold them.
Bytes LittleEndian16(const std::vector<std::uint16_t>& samples);
Bytes LittleEndian16(const std::vector<std::int16_t>& samples);
Bytes FloatBytes(const std::vector<float>& samples);
Bytes Concat(Bytes first, const Bytes& second);
std::vector<std::uint16_t> Samples16(const Bytes& bytes);

// Reproducible pseudo-random values covering the whole 16-bit range.
std::vector<std::int16_t> ScrambledImage(std::int64_t count, std::uint32_t seed);
// The same for floats, spread over roughly -limit .. limit.
std::vector<float> ScrambledFloats(std::int64_t count, std::uint32_t seed, float limit);

// The bytes of an owned buffer, for before-and-after comparisons.
template <typename T>
Bytes BufferBytes(const OwnedBuffer<T>& buffer) {
  const auto* at = reinterpret_cast<const std::uint8_t*>(buffer.data());
  return at == nullptr ? Bytes{} : Bytes(at, at + buffer.bytes());
}

// A job reading "raw.%04i" from <tmp>/in and writing "prj%03d.raw" to <tmp>/out,
// reporting to `reporter`, with no stop requested.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // 16-bit signed little-endian input, no header, angle 0, scale 1, the
  // whole input cropped to the given output size.
  void Shape(std::int32_t inX, std::int32_t inY, std::int32_t outX, std::int32_t outY);
  void Crop(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

  std::string InName(std::int32_t number) const;   // raw.<number> in the input folder
  std::string OutName(std::int32_t number) const;  // prj<number>.raw in the output folder
  void WriteInput(std::int32_t number, const Bytes& bytes) const;
  Bytes ReadOutput(std::int32_t number) const;
  bool OutputExists(std::int32_t number) const;

  // Converts `file` as the only input of a batch and returns the output image.
  std::vector<std::uint16_t> ConvertOne(const Bytes& file);

  TempFolder folder;
  RecordingReporter reporter;
  ProjectionJob job;
};

}  // namespace engine_test

}  // namespace projconv
