#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace projconv {

// A non-owning reference to a callable, cheap to pass and never allocating:
// the callable must outlive the call it is passed to.
template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <typename Callable>
  FunctionRef(const Callable& callable)  // NOLINT: converts implicitly, like a function pointer
      : object_(&callable), call_([](const void* object, Args... args) -> Result {
          return (*static_cast<const Callable*>(object))(args...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, args...); }

 private:
  const void* object_;
  Result (*call_)(const void*, Args...);
};

// A set of threads that live as long as the pool and run one task at a time,
// the calling thread included. Callers on different threads take turns: a
// task runs whole before the next one starts. A task for one worker takes no
// turn: it runs on its caller's thread at once. Made once per process
// (ProcessWorkers), so no image pays for creating threads and no job keeps
// idle threads of its own.
class WorkerPool {
 public:
  // `workers` counts the calling thread; at least 1. If the system refuses
  // to start a thread, the pool carries on with those it has.
  explicit WorkerPool(int workers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int workers() const;

  // Adds threads until the pool has `workers` (or the system refuses more).
  void Reserve(int workers);

  // Calls task(worker) once for each worker 0 .. n - 1, where n is `count`
  // held to 1 .. workers(), the calling thread taking 0, and returns when
  // every call has returned. Whatever the calls wrote is visible to the
  // caller afterwards.
  void RunOn(int count, FunctionRef<void(int)> task);
  void RunOnAll(FunctionRef<void(int)> task) { RunOn(workers(), task); }

  // Runs body(item) for every item in 0 .. count - 1 on up to `workers`
  // workers, handing the items out one at a time to whichever worker is
  // free, so a worker slowed down by another process does not hold the
  // others up. `worker` tells the body which worker runs it, for per-worker
  // scratch space.
  void ForEach(std::int64_t count, FunctionRef<void(std::int64_t item, int worker)> body,
               int workers);
  void ForEach(std::int64_t count, FunctionRef<void(std::int64_t item, int worker)> body) {
    ForEach(count, body, workers());
  }

 private:
  void HelperLoop(int worker, std::uint64_t seen);
  void AddHelpers(int workers);

  std::mutex turn_;  // held by the caller whose task runs, and while the pool grows
  std::vector<std::thread> helpers_;
  std::atomic<int> helperCount_{0};  // helpers_.size(), for readers without the turn
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  const FunctionRef<void(int)>* task_ = nullptr;
  int taskWorkers_ = 0;
  std::uint64_t generation_ = 0;
  int running_ = 0;
  bool stopping_ = false;
};

// The process's pool, grown to at least `workers`. A forked child gets a new
// pool of its own: the parent's threads do not exist in it.
WorkerPool& ProcessWorkers(int workers);

// The processors this process may run on (its affinity mask), at least 1.
int UsableProcessors();

}  // namespace projconv
