#include "gui/conversion_worker.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "containers/correction_record.h"
#include "containers/output_formats.h"
#include "containers/output_sink.h"
#include "containers/sidecar.h"
#include "engine/projection_job.h"
#include "engine/sequence_count.h"
#include "gui/worker_bridge.h"

namespace projconv {

namespace {

BatchResult RunIntoOutput(ProjectionJob& job, const BatchOutput& output) {
  // Counting the sequence can take a while on a slow folder, so it is done
  // here rather than on the window's thread, and only for the containers
  // whose size it decides. The flats and darks are counted once as well, so
  // that the batch reads the very files its record names.
  job.correction = WithCountsFixed(job.correction, job.inFolder);
  const std::uint64_t expected =
      WritesRawFiles(output.choice.type) ? 0 : ExpectedOutputBytes(job.parameters());
  std::unique_ptr<ImageSink> sink =
      MakeOutputSink(output.choice, job.parameters(), expected, output.version,
                     job.batch.span.outStart + job.batch.span.skip, job.correction);
  // Destroyed in the reverse order: the job lets go of the sink, then the
  // sink closes its file, before the sidecar describes it and however the
  // batch ends.
  struct Unhook {
    ProjectionJob& job;
    ~Unhook() { job.batch.sink = nullptr; }
  } unhook{job};
  job.batch.sink = sink.get();
  return job.RunBatchWithResult();
}

}  // namespace

void ConversionThreadProc(ProjectionJob& job, WorkerBridge& bridge, const BatchOutput& output) {
  // Nothing may escape a thread's body; and the dialog waits for the finish
  // below, so it must be posted however the batch ends.
  try {
    const BatchResult result = RunIntoOutput(job, output);
    if (!output.choice.sidecar.empty()) {
      const BatchRecord record{output.version, job.parameters(), output.choice, result, {},
                               job.correction};
      const SidecarOutcome sidecar = WriteSidecar(record);
      if (!sidecar.failure.empty()) bridge.ShowMessage(sidecar.failure, "Error");
      if (!sidecar.leftOut.empty()) bridge.ShowMessage(sidecar.leftOut, "Info");
    }
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

void ConversionWorker::Start(ProjectionJob& job, WorkerBridge& bridge, BatchOutput output) {
  std::thread started = startThread_(
      [&job, &bridge, output = std::move(output)] { ConversionThreadProc(job, bridge, output); });
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
