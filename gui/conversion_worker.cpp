#include "gui/conversion_worker.h"

#include <exception>
#include <string>
#include <system_error>
#include <utility>

#include "engine/projection_job.h"
#include "gui/worker_bridge.h"

namespace projconv {

void ConversionThreadProc(ProjectionJob& job, WorkerBridge& bridge) {
  // Nothing may escape a thread's body; and the dialog waits for the finish
  // below, so it must be posted however the batch ends.
  try {
    job.RunBatch();
  } catch (const std::exception& e) {
    bridge.ShowMessage(std::string("The conversion stopped: ") + e.what(), "Error");
  }
  bridge.PostFinished();
}

ConversionWorker::ConversionWorker()
    : startThread_([](std::function<void()> body) { return std::thread(std::move(body)); }) {}

void ConversionWorker::SetThreadStarter(ThreadStarter starter) {
  startThread_ = std::move(starter);
}

void ConversionWorker::Start(ProjectionJob& job, WorkerBridge& bridge) {
  std::thread started = startThread_([&job, &bridge] { ConversionThreadProc(job, bridge); });
  if (!started.joinable()) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "no thread was started");
  }
  thread_ = std::move(started);
}

void ConversionWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace projconv
