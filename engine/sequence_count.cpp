#include "engine/sequence_count.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "engine/name_pattern.h"
#include "engine/sample_math.h"

namespace projconv {

SequenceCount CountConsecutiveInputs(const std::string& folder, const std::string& format,
                                     std::int32_t start, std::int64_t cap,
                                     const std::atomic<bool>* stop) {
  SequenceCount count;
  const std::optional<NamePattern> pattern = NamePattern::Parse(format);
  if (!pattern) return count;
  for (std::int64_t k = 0; k < cap; ++k) {
    if (stop != nullptr && stop->load()) return count;
    // Numbered as the batch numbers its inputs: a 64-bit counter whose low
    // 32 bits go into the name.
    const std::string name = JoinPath(folder, pattern->Format(Wrap32(std::int64_t{start} + k)));
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return count;
    ++count.files;
  }
  count.capped = true;
  return count;
}

std::uint64_t ExpectedOutputBytes(const ConversionParameters& p) {
  const SequenceCount count = CountConsecutiveInputs(p.inFolder, p.inFormat, p.startNumber);
  const std::uint64_t image =
      2 * std::uint64_t(std::max(p.outSizeX, 0)) * std::uint64_t(std::max(p.outSizeY, 0));
  const std::uint64_t images = std::uint64_t(count.files) * (count.capped ? 100 : 1);
  return images * image;
}

SequenceCounter::~SequenceCounter() {
  Stop();
}

void SequenceCounter::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  stop_ = false;
}

void SequenceCounter::Start(std::string folder, std::string format, std::int32_t start, Done done) {
  Stop();
  {
    const std::lock_guard lock(mutex_);
    result_.reset();
  }
  thread_ = std::thread([this, folder = std::move(folder), format = std::move(format), start,
                         done = std::move(done)] {
    const SequenceCount count = CountConsecutiveInputs(folder, format, start, kForecastCap, &stop_);
    if (stop_) return;
    {
      const std::lock_guard lock(mutex_);
      result_ = count;
    }
    if (done) done(count);
  });
}

std::optional<SequenceCount> SequenceCounter::Result() const {
  const std::lock_guard lock(mutex_);
  return result_;
}

}  // namespace projconv
