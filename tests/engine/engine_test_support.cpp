#include "tests/engine/engine_test_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace projconv {

namespace engine_test {

void PrintTo(const ShownMessage& message, std::ostream* os) {
  *os << "[" << message.caption << "] \"" << message.text << "\"";
}

ShownMessage EndAt(const std::string& name, const std::string& ending, const std::string& reason) {
  const std::string line = "File  " + name + "   " + ending + ". Converting is finished";
  return {reason.empty() ? line : line + "\n" + reason, "Info"};
}

void RecordingReporter::ShowMessage(const std::string& text, const std::string& caption) {
  messages.push_back({text, caption});
}

void RecordingReporter::PostProgress(std::int32_t fileNumber) {
  progress.push_back(fileNumber);
  if (onProgress) onProgress(fileNumber);
}

Bytes LittleEndian16(const std::vector<std::uint16_t>& samples) {
  Bytes bytes;
  for (std::uint16_t v : samples) {
    bytes.push_back(std::uint8_t(v & 0xFF));
    bytes.push_back(std::uint8_t(v >> 8));
  }
  return bytes;
}

Bytes LittleEndian16(const std::vector<std::int16_t>& samples) {
  return LittleEndian16(std::vector<std::uint16_t>(samples.begin(), samples.end()));
}

Bytes FloatBytes(const std::vector<float>& samples) {
  Bytes bytes(samples.size() * 4);
  std::memcpy(bytes.data(), samples.data(), bytes.size());  // the build is little-endian
  return bytes;
}

Bytes Concat(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::vector<std::uint16_t> Samples16(const Bytes& bytes) {
  std::vector<std::uint16_t> samples(bytes.size() / 2);
  for (std::size_t k = 0; k < samples.size(); ++k)
    samples[k] = std::uint16_t(bytes[2 * k] | (bytes[2 * k + 1] << 8));
  return samples;
}

namespace {

std::uint32_t NextValue(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

}  // namespace

std::vector<std::int16_t> ScrambledImage(std::int64_t count, std::uint32_t seed) {
  std::vector<std::int16_t> image(static_cast<std::size_t>(count));
  for (auto& v : image) v = static_cast<std::int16_t>(NextValue(seed) & 0xFFFF);
  return image;
}

std::vector<float> ScrambledFloats(std::int64_t count, std::uint32_t seed, float limit) {
  std::vector<float> image(static_cast<std::size_t>(count));
  for (auto& v : image) {
    const double unit = double(NextValue(seed)) / double(1u << 24);  // 0 .. 1
    v = static_cast<float>((unit * 2.0 - 1.0) * limit);
  }
  return image;
}

void EngineTest::SetUp() {
  folder.MakeFolder("in");
  folder.MakeFolder("out");
  job.inFolder = folder.PathOf("in");
  job.outFolder = folder.PathOf("out");
  job.inFormat = "raw.%04i";
  job.outFormat = "prj%03d.raw";
  job.dialog = &reporter;
}

void EngineTest::TearDown() {}

void EngineTest::Shape(std::int32_t inX, std::int32_t inY, std::int32_t outX, std::int32_t outY) {
  job.sampleType = SampleType::Integer16;
  job.byteOrder = ByteOrder::LittleEndian;
  job.signedness = Signedness::Signed;
  job.headerLen = 0;
  job.inSizeX = inX;
  job.inSizeY = inY;
  job.outSizeX = outX;
  job.outSizeY = outY;
  Crop(0, 0, inX, inY);
  job.rotCentreX = inX / 2;
  job.rotCentreY = inY / 2;
  job.angle = 0.0f;
  job.scale = 1.0f;
}

void EngineTest::Crop(std::int32_t left, std::int32_t top, std::int32_t right,
                      std::int32_t bottom) {
  job.cropLeft = left;
  job.cropTop = top;
  job.cropRight = right;
  job.cropBottom = bottom;
}

namespace {

std::string Numbered(const char* format, std::int32_t number) {
  char name[64];
  std::snprintf(name, sizeof name, format, number);
  return name;
}

}  // namespace

std::string EngineTest::InName(std::int32_t number) const {
  return folder.PathOf("in/" + Numbered("raw.%04i", number));
}

std::string EngineTest::OutName(std::int32_t number) const {
  return folder.PathOf("out/" + Numbered("prj%03d.raw", number));
}

void EngineTest::WriteInput(std::int32_t number, const Bytes& bytes) const {
  folder.WriteFile("in/" + Numbered("raw.%04i", number), bytes);
}

Bytes EngineTest::ReadOutput(std::int32_t number) const {
  return folder.ReadFile("out/" + Numbered("prj%03d.raw", number));
}

bool EngineTest::OutputExists(std::int32_t number) const {
  return folder.Exists("out/" + Numbered("prj%03d.raw", number));
}

std::vector<std::uint16_t> EngineTest::ConvertOne(const Bytes& file) {
  job.startNumber = 0;
  reporter.messages.clear();
  reporter.progress.clear();
  WriteInput(0, file);
  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputMissing);
  EXPECT_EQ(result.filesWritten, 1);
  EXPECT_EQ(reporter.messages, std::vector<ShownMessage>{EndAt(InName(1), "can not be opened")});
  if (result.filesWritten != 1) return {};
  const Bytes out = ReadOutput(0);
  EXPECT_EQ(out.size(), 2 * std::size_t(job.outSizeX) * std::size_t(job.outSizeY));
  return Samples16(out);
}

}  // namespace engine_test

}  // namespace projconv
