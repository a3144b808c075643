#include "tests/gui/batch_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "engine/batch_reporter.h"

namespace projconv {

namespace batch_test {

namespace {

constexpr int kTimeoutMs = 10000;

class RecordingReporter : public BatchReporter {
 public:
  explicit RecordingReporter(EngineRun& run) : run_(run) {}
  void ShowMessage(const std::string& text, const std::string& caption) override {
    run_.messages.push_back(caption + ": " + text);
  }
  void PostProgress(std::int32_t fileNumber) override { run_.progress.push_back(fileNumber); }

 private:
  EngineRun& run_;
};

}  // namespace

BatchFolder::BatchFolder() {
  QDir root(dir_.path());
  for (const char* name : {"in", "out", "refin", "refout"}) root.mkdir(name);
}

std::string BatchFolder::Path(const std::string& name) const {
  return QDir(dir_.path()).filePath(QString::fromStdString(name)).toStdString();
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::optional<Bytes> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const QString& name :
       QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::System, QDir::Name)) {
    names.push_back(name.toStdString());
  }
  return names;
}

Bytes ScrambledBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random() >> 24);
  return bytes;
}

Bytes ScrambledFloatBytes(std::size_t count, std::uint32_t seed, float limit) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> spread(-limit, limit);
  Bytes bytes(count * sizeof(float));
  for (std::size_t i = 0; i < count; ++i) {
    const float value = spread(random);
    std::memcpy(bytes.data() + i * sizeof(float), &value, sizeof(float));
  }
  return bytes;
}

EngineRun RunEngine(ProjectionJob& job) {
  EngineRun run;
  RecordingReporter reporter(run);
  job.dialog = &reporter;
  cancelRequested = 0;  // the dialog's batch may have left it set
  job.RunBatch();
  job.dialog = nullptr;
  return run;
}

InputGate::InputGate(const std::string& path, Bytes content) : content_(std::move(content)) {
  ::unlink(path.c_str());
  if (::mkfifo(path.c_str(), 0600) != 0) return;
  // Held open for writing from here on, before any batch can reach the pipe:
  // the worker's open then finds a writer, and its read waits for the bytes.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  feeder_ = std::thread([this, path, fd] { Feed(path, fd); });
}

InputGate::~InputGate() {
  {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
    if (!delay_) delay_ = std::chrono::milliseconds(0);
  }
  let_.notify_all();
  if (feeder_.joinable()) feeder_.join();
}

void InputGate::Let(std::chrono::milliseconds delay) {
  {
    const std::lock_guard lock(mutex_);
    delay_ = delay;
  }
  let_.notify_all();
}

// Whether a descriptor of this process other than `own` has `path` open:
// the worker, a thread of the test, inside this image.
static bool OpenedElsewhere(const std::string& path, int own) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
    if (entry.path().filename() == std::to_string(own)) continue;
    if (std::filesystem::read_symlink(entry.path(), ignored) == path) return true;
  }
  return false;
}

void InputGate::Feed(std::string path, int fd) {
  // The worker is inside this image once it has the pipe open too.
  const std::string full = std::filesystem::absolute(path).string();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (!abandoned_ && !OpenedElsewhere(full, fd) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  entered_ = !abandoned_ && OpenedElsewhere(full, fd);
  std::unique_lock lock(mutex_);
  let_.wait(lock, [this] { return delay_.has_value(); });
  const std::chrono::milliseconds delay = *delay_;
  lock.unlock();
  std::this_thread::sleep_for(delay);
  std::size_t done = 0;
  while (done < content_.size()) {
    const ssize_t wrote = ::write(fd, content_.data() + done, content_.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += std::size_t(wrote);
  }
  ::close(fd);
}

QMessageBox* OpenBox(const ConverterDialog& dialog) {
  for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
    if (box->isVisible()) return box;
  }
  return nullptr;
}

QMessageBox* WaitForBox(const ConverterDialog& dialog) {
  QMessageBox* box = nullptr;
  return QTest::qWaitFor([&] { return (box = OpenBox(dialog)) != nullptr; }, kTimeoutMs) ? box
                                                                                         : nullptr;
}

bool WaitForWorkerEnd(const ConverterDialog& dialog) {
  return QTest::qWaitFor([&] { return !dialog.ConversionRunning(); }, kTimeoutMs);
}

}  // namespace batch_test

}  // namespace projconv
