#pragma once

// The dialog's worker thread: one batch on the job, then a posted word to the
// dialog's thread that it is over. At most one runs at a time.

#include <functional>
#include <string>
#include <thread>

#include "containers/output_choice.h"

namespace projconv {

class ProjectionJob;
class WorkerBridge;

// What a batch writes besides its parameters: the output choice, its names
// complete, and the program's version for the files that record it.
struct BatchOutput {
  OutputChoice choice;
  std::string version;
};

// The body of the worker thread: makes the output's sink, runs the batch,
// closes the sink, writes the sidecar when one is asked for, then posts its
// end. The batch's own messages have told the user how it went; a sidecar
// that could not be written gets a message of its own.
void ConversionThreadProc(ProjectionJob& job, WorkerBridge& bridge, const BatchOutput& output);

class ConversionWorker {
 public:
  // Starts a thread running `body`; throws std::system_error when the system
  // cannot start one. Replaceable, so that failure can be tried out.
  using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

  ConversionWorker();
  ConversionWorker(const ConversionWorker&) = delete;
  ConversionWorker& operator=(const ConversionWorker&) = delete;
  // The owner joins first; a thread still running here would end the program.
  ~ConversionWorker() = default;

  void SetThreadStarter(ThreadStarter starter);

  // Starts ConversionThreadProc on a new thread. Throws std::system_error,
  // leaving nothing started, when there is no thread to be had.
  void Start(ProjectionJob& job, WorkerBridge& bridge, BatchOutput output = {});

  // From Start until Join: the thread may still touch the job.
  bool Running() const { return thread_.joinable(); }

  // Waits for the thread to end; nothing when none was started.
  void Join();

 private:
  ThreadStarter startThread_;
  std::thread thread_;
};

}  // namespace projconv
