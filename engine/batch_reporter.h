#pragma once

#include <cstdint>
#include <string>

namespace projconv {

// One file of the sequence done: its output written, or kept because it was
// already whole.
struct FileDone {
  std::int64_t inputNumber = 0;
  std::int64_t outputNumber = 0;
  std::string inputName;
  std::string outputName;  // the raw file's name, whatever the output type
  bool kept = false;       // an existing output was kept, not written
  // The one file that holds every image, for outputs that have one, and
  // this image's place in it; empty and -1 otherwise.
  std::string container;
  std::int64_t containerIndex = -1;
};

// What a running batch needs from whoever started it: a place to show a message
// and wait for the user, and a place to drop progress without waiting.
//
// The batch runs on a worker thread. Both calls are made on that thread; an
// implementation that owns a window must marshal them to its own thread.
class BatchReporter {
 public:
  virtual ~BatchReporter() = default;

  // Shows `text` under `caption` with a single OK button and returns once the
  // user has dismissed it.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

  // Reports that the output file numbered `fileNumber` has been written. Must
  // not wait for the receiver: the batch goes on at once.
  virtual void PostProgress(std::int32_t fileNumber) = 0;

  // Tells which file was just done, after PostProgress; for front ends that
  // log each file. Must not wait either.
  virtual void ReportFileDone(const FileDone& file) { (void)file; }
};

}  // namespace projconv
