#include "engine/internal/worker_pool.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace projconv {

WorkerPool::WorkerPool(int workers) {
  AddHelpers(workers);
}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

int WorkerPool::workers() const {
  return helperCount_.load() + 1;
}

void WorkerPool::Reserve(int workers) {
  const std::lock_guard turn(turn_);
  AddHelpers(workers);
}

void WorkerPool::AddHelpers(int workers) {
  std::uint64_t now = 0;
  {
    const std::lock_guard lock(mutex_);
    now = generation_;
  }
  for (int worker = static_cast<int>(helpers_.size()) + 1; worker < workers; ++worker) {
    try {
      helpers_.emplace_back([this, worker, now] { HelperLoop(worker, now); });
      helperCount_.store(static_cast<int>(helpers_.size()));
    } catch (const std::system_error&) {
      break;  // fewer threads only make the transform slower, never different
    } catch (const std::bad_alloc&) {
      break;
    }
  }
}

void WorkerPool::HelperLoop(int worker, std::uint64_t seen) {
  for (;;) {
    const FunctionRef<void(int)>* task = nullptr;
    bool takesPart = false;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      task = task_;
      takesPart = worker < taskWorkers_;
    }
    if (takesPart) (*task)(worker);
    {
      const std::lock_guard lock(mutex_);
      if (--running_ == 0) finished_.notify_one();
    }
  }
}

void WorkerPool::RunOn(int count, FunctionRef<void(int)> task) {
  // A task for one worker needs none of the pool: it runs on the calling
  // thread at once, beside other callers' tasks, so that jobs converting
  // one image each on threads of their own (a Python program's, say) run in
  // parallel rather than in turn. Worker 0's scratch is each job's own.
  if (std::clamp(count, 1, workers()) == 1) {
    task(0);
    return;
  }
  const std::lock_guard turn(turn_);
  const int n = std::clamp(count, 1, workers());  // still above 1: the pool only grows
  {
    const std::lock_guard lock(mutex_);
    task_ = &task;
    taskWorkers_ = n;
    running_ = static_cast<int>(helpers_.size());
    ++generation_;
  }
  wake_.notify_all();
  task(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return running_ == 0; });
  task_ = nullptr;
}

void WorkerPool::ForEach(std::int64_t count, FunctionRef<void(std::int64_t item, int worker)> body,
                         int workers) {
  if (count <= 0) return;
  if (count == 1 || workers <= 1) {
    // On the calling thread alone, beside other callers, as RunOn does.
    for (std::int64_t item = 0; item < count; ++item) body(item, 0);
    return;
  }
  std::atomic<std::int64_t> next{0};
  RunOn(workers, [&](int worker) {
    for (std::int64_t item = next.fetch_add(1); item < count; item = next.fetch_add(1))
      body(item, worker);
  });
}

WorkerPool& ProcessWorkers(int workers) {
  // Never destroyed: at exit its threads may still wait for work, and in a
  // forked child the threads it would join do not exist.
  static std::mutex guard;
  static WorkerPool* pool = nullptr;
  static pid_t owner = 0;
  WorkerPool* current = nullptr;
  {
    const std::lock_guard lock(guard);
    if (pool == nullptr || owner != ::getpid()) {
      pool = new (std::nothrow) WorkerPool(1);
      owner = ::getpid();
    }
    current = pool;
  }
  if (current == nullptr) {
    // No memory for a pool: the calling thread alone, which needs none.
    static WorkerPool alone(1);
    return alone;
  }
  if (current->workers() < workers) current->Reserve(workers);
  return *current;
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

}  // namespace projconv
