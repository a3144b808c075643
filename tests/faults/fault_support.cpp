#include "tests/faults/fault_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/raw_batch.h"

namespace projconv {

namespace faults {

void RecordingReporter::ShowMessage(const std::string& text, const std::string& caption) {
  messages.push_back(caption + ": " + text);
}

void RecordingReporter::PostProgress(std::int32_t fileNumber) {
  progress.push_back(fileNumber);
  if (onProgress) onProgress(fileNumber);
}

void FaultTest::SetUp() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/projconv-faults-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
  root_ = pattern;
  ASSERT_EQ(::mkdir(Path("in").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir(Path("out").c_str(), 0777), 0);

  test_support::FillRawBatch(job, Path("in"), Path("out"), kSize, kSize);
  job.inFormat = "raw.%04i";
  job.outFormat = "prj%03d.raw";
  job.rotCentreX = job.rotCentreY = kSize / 2;
  job.dialog = &reporter;

  std::uint32_t seed = 12345;
  for (int k = 0; k < kInputs; ++k) {
    Bytes image(kImageBytes);
    for (auto& byte : image) {
      seed = seed * 1664525u + 1013904223u;
      byte = std::uint8_t(seed >> 24);
    }
    inputs_.push_back(image);
    RestoreInput(k);
  }
}

void FaultTest::TearDown() {
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

namespace {

std::string Numbered(const char* format, int number) {
  char name[32];
  std::snprintf(name, sizeof name, format, number);
  return name;
}

Bytes ReadFile(const std::string& path, bool& exists) {
  std::ifstream in(path, std::ios::binary);
  exists = bool(in);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string FaultTest::InName(int number) const {
  return Path("in/" + Numbered("raw.%04i", number));
}

std::string FaultTest::OutName(int number) const {
  return Path("out/" + Numbered("prj%03d.raw", number));
}

void FaultTest::WriteFile(const std::string& path, const Bytes& bytes) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) ADD_FAILURE() << "could not write " << path;
}

BatchResult FaultTest::Run() {
  reporter.messages.clear();
  reporter.progress.clear();
  return job.RunBatchWithResult();
}

std::string FaultTest::Outcome(const BatchResult& result) const {
  std::string text = "end " + std::to_string(int(result.end)) + ", " +
                     std::to_string(result.filesWritten) + " written";
  for (const std::string& message : reporter.messages) text += "; " + message;
  return text;
}

std::string FaultTest::Expected(BatchEnd end, std::int64_t written,
                                const std::string& message) const {
  std::string text =
      "end " + std::to_string(int(end)) + ", " + std::to_string(written) + " written";
  return message.empty() ? text : text + "; " + message;
}

std::string FaultTest::EndMessage(const std::string& name, const std::string& ending,
                                  const std::string& reason) {
  const std::string line = "Info: File  " + name + "   " + ending + ". Converting is finished";
  return reason.empty() ? line : line + "\n" + reason;
}

std::string FaultTest::OutputState(int count, const std::string& folder) const {
  std::string state;
  for (int k = 0; k < count; ++k) {
    const std::string name = Numbered("prj%03d.raw", k);
    bool exists = false;
    const Bytes bytes = ReadFile((folder.empty() ? Path("out") : folder) + "/" + name, exists);
    state += state.empty() ? "" : " ";
    state += std::to_string(k) + ":";
    if (!exists) {
      state += "-";
    } else if (bytes == Input(k)) {
      state += "ok";
    } else {
      state += std::to_string(bytes.size());
    }
  }
  return state;
}

}  // namespace faults

}  // namespace projconv
