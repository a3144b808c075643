#pragma once

// Real files for batches run from the dialog: a temporary folder, raw inputs,
// a named pipe that holds the worker at one input until the test lets it go,
// and the engine's own result for the same job to compare against.

#include <QMessageBox>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/projection_job.h"
#include "gui/converter_dialog.h"

namespace projconv {

namespace batch_test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder with "in" and "out" for the dialog's batch, and "refin" and
// "refout" for the engine's own run on the same inputs.
class BatchFolder {
 public:
  BatchFolder();
  std::string In() const { return Path("in"); }
  std::string Out() const { return Path("out"); }
  std::string RefIn() const { return Path("refin"); }
  std::string RefOut() const { return Path("refout"); }
  std::string Path(const std::string& name) const;

 private:
  QTemporaryDir dir_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
std::optional<Bytes> ReadFile(const std::string& path);
std::vector<std::string> FileNames(const std::string& folder);  // sorted

// Reproducible bytes, different for each seed.
Bytes ScrambledBytes(std::size_t count, std::uint32_t seed);
// Little-endian floats spread over -limit .. limit, as raw bytes.
Bytes ScrambledFloatBytes(std::size_t count, std::uint32_t seed, float limit);

// What the engine itself writes for `job` (run on this thread into `job`'s
// output folder) and the messages it shows. Call it with no batch running.
struct EngineRun {
  std::vector<std::string> messages;  // "caption: text"
  std::vector<std::int32_t> progress;
};
EngineRun RunEngine(ProjectionJob& job);

// A named pipe in place of one input file. The worker that opens it waits
// until Let() sends the file's bytes through.
class InputGate {
 public:
  InputGate(const std::string& path, Bytes content);
  ~InputGate();
  InputGate(const InputGate&) = delete;
  InputGate& operator=(const InputGate&) = delete;

  // The worker has opened the pipe: it is inside this image.
  bool Entered() const { return entered_; }
  // Sends the bytes after `delay`, from a thread of the gate's own.
  void Let(std::chrono::milliseconds delay = std::chrono::milliseconds(0));

 private:
  void Feed(std::string path, int fd);

  Bytes content_;
  std::atomic<bool> entered_{false};
  std::atomic<bool> abandoned_{false};
  std::mutex mutex_;
  std::condition_variable let_;
  std::optional<std::chrono::milliseconds> delay_;
  std::thread feeder_;
};

// The visible message box the dialog opened, or nullptr.
QMessageBox* OpenBox(const ConverterDialog& dialog);
// Waits (handling events) until the dialog shows a box; nullptr on timeout.
QMessageBox* WaitForBox(const ConverterDialog& dialog);
// Waits (handling events) until the dialog's worker has ended.
bool WaitForWorkerEnd(const ConverterDialog& dialog);

}  // namespace batch_test

}  // namespace projconv
