#include "worker_pool.h"

#include <sched.h>

#include <system_error>

WorkerPool::WorkerPool(int workers) {
  for (int worker = 1; worker < workers; ++worker) {
    try {
      helpers_.emplace_back([this, worker] { HelperLoop(worker); });
    } catch (const std::system_error&) {
      break;  // fewer threads only make the transform slower, never different
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void WorkerPool::HelperLoop(int worker) {
  std::uint64_t seen = 0;
  for (;;) {
    const FunctionRef<void(int)>* task = nullptr;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      task = task_;
    }
    (*task)(worker);
    {
      const std::lock_guard lock(mutex_);
      if (--running_ == 0) finished_.notify_one();
    }
  }
}

void WorkerPool::RunOnAll(FunctionRef<void(int)> task) {
  if (helpers_.empty()) {
    task(0);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    task_ = &task;
    running_ = static_cast<int>(helpers_.size());
    ++generation_;
  }
  wake_.notify_all();
  task(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return running_ == 0; });
  task_ = nullptr;
}

void WorkerPool::ForEach(std::int64_t count,
                         FunctionRef<void(std::int64_t item, int worker)> body) {
  if (count <= 0) return;
  if (count == 1 || helpers_.empty()) {
    for (std::int64_t item = 0; item < count; ++item) body(item, 0);
    return;
  }
  std::atomic<std::int64_t> next{0};
  RunOnAll([&](int worker) {
    for (std::int64_t item = next.fetch_add(1); item < count; item = next.fetch_add(1))
      body(item, worker);
  });
}

int UsableProcessors() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? static_cast<int>(hardware) : 1;
}
