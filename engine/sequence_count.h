#pragma once

// How long a sequence is: the input files that exist one after another from
// the first number, counted with cheap metadata look-ups before the batch
// reads them and named exactly as the batch names them. Only a forecast: the
// batch itself still ends at its first missing input.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/conversion_parameters.h"

namespace projconv {

// Counting stops here; a longer sequence is shown as "at least".
inline constexpr std::int64_t kForecastCap = 100000;

struct SequenceCount {
  std::int64_t files = 0;  // consecutive existing inputs from the first number
  bool capped = false;     // the count reached the cap: there may be more
  bool operator==(const SequenceCount&) const = default;
};

// Counts the files the batch would read, named as it names them, from
// `start` on until the first name that does not exist or `cap` files. A
// pattern the batch refuses counts 0. Stops early, with what it has, when
// `stop` becomes true.
SequenceCount CountConsecutiveInputs(const std::string& folder, const std::string& format,
                                     std::int32_t start, std::int64_t cap = kForecastCap,
                                     const std::atomic<bool>* stop = nullptr);

// What the output images of a batch of `parameters` are expected to take in
// all: an image for each input that follows from the first number. A count
// that reaches its cap stands for a sequence a hundred times as long, so that
// a container sized by it is never too small.
std::uint64_t ExpectedOutputBytes(const ConversionParameters& parameters);

// Counts on a thread of its own, so that a slow folder holds nobody up.
class SequenceCounter {
 public:
  using Done = std::function<void(SequenceCount)>;

  SequenceCounter() = default;
  // Stops a count in progress and waits for its thread.
  ~SequenceCounter();
  SequenceCounter(const SequenceCounter&) = delete;
  SequenceCounter& operator=(const SequenceCounter&) = delete;

  // Starts counting, after stopping any count in progress. `done` is called
  // on the counting thread when a count completes, not when it is stopped.
  void Start(std::string folder, std::string format, std::int32_t start, Done done = {});

  // The count, once complete.
  std::optional<SequenceCount> Result() const;

 private:
  void Stop();

  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::optional<SequenceCount> result_;
  std::thread thread_;
};

}  // namespace projconv
