#include "preview/preview_service.h"

#include <exception>
#include <string>
#include <utility>

namespace projconv {

PreviewService::PreviewService(Delivery deliver, int maxSide)
    : deliver_(std::move(deliver)), renderer_(maxSide), thread_([this] { Run(); }) {}

PreviewService::~PreviewService() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    pending_.reset();
  }
  wake_.notify_one();
  thread_.join();
}

void PreviewService::Submit(std::uint64_t serial, PreviewRequest request) {
  {
    const std::lock_guard lock(mutex_);
    pending_.emplace(serial, std::move(request));
  }
  wake_.notify_one();
}

void PreviewService::Run() {
  for (;;) {
    std::pair<std::uint64_t, PreviewRequest> next;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_) return;
      next = std::move(*pending_);
      pending_.reset();
    }
    ProjectionJob& job = renderer_.job();
    job.SetParameters(next.second.values);
    job.correction = next.second.correction;
    job.batch.workerThreads = next.second.workerThreads;
    PreviewPicture picture;
    try {
      picture = renderer_.Render(next.second.withOutput);
    } catch (const std::exception& e) {
      // Nothing may escape the thread; the panes say what went wrong.
      picture = PreviewPicture();
      picture.inputFault = picture.outputFault = PreviewFault::Memory;
      picture.inputReason = picture.outputReason = std::string("No preview: ") + e.what();
    }
    deliver_(next.first, std::move(picture));
  }
}

}  // namespace projconv
