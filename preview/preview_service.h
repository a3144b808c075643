#pragma once

// Makes previews on a thread of its own, so that reading and converting a
// large image never holds up the window. Only the latest request counts: one
// that has not started when a newer one arrives is dropped.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "form/converter_values.h"
#include "preview/preview_renderer.h"

namespace projconv {

struct PreviewRequest {
  ConverterValues values;          // filled into the preview's own job as Convert fills a batch's
  bool withOutput = true;          // false when the output's parameters cannot be read
  std::int32_t workerThreads = 0;  // threads for the transform; 0 for one per processor
  CorrectionParameters correction = {};  // the batch's flats and darks; none by default
};

class PreviewService {
 public:
  // Called on the service's thread with each picture and the serial of the
  // request it answers.
  using Delivery = std::function<void(std::uint64_t serial, PreviewPicture picture)>;

  PreviewService(Delivery deliver, int maxSide);
  // Waits for a picture in progress; drops any request not yet started.
  ~PreviewService();
  PreviewService(const PreviewService&) = delete;
  PreviewService& operator=(const PreviewService&) = delete;

  // Asks for a picture; replaces a request that has not started yet.
  void Submit(std::uint64_t serial, PreviewRequest request);

 private:
  void Run();

  Delivery deliver_;
  PreviewRenderer renderer_;  // used on the service's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::pair<std::uint64_t, PreviewRequest>> pending_;
  bool stopping_ = false;
  std::thread thread_;  // last, so that everything it uses exists before it starts
};

}  // namespace projconv
