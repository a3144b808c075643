// The pool that runs the transform's rows: every item exactly once, every
// worker once per task, and the pool reusable task after task.

#include "engine/internal/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace projconv {

namespace {

TEST(WorkerPool, ForEachRunsEveryItemOnceOnKnownWorkers) {
  for (int workers : {1, 2, 3, 5}) {
    WorkerPool pool(workers);
    ASSERT_EQ(pool.workers(), workers);
    for (std::int64_t count : {0, 1, 2, 7, 1000}) {
      std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
      std::atomic<bool> badWorker{false};
      pool.ForEach(count, [&](std::int64_t item, int worker) {
        runs[static_cast<std::size_t>(item)].fetch_add(1);
        if (worker < 0 || worker >= workers) badWorker = true;
      });
      for (std::int64_t item = 0; item < count; ++item)
        EXPECT_EQ(runs[static_cast<std::size_t>(item)].load(), 1) << workers << " " << item;
      EXPECT_FALSE(badWorker.load());
    }
  }
}

TEST(WorkerPool, RunOnAllCallsEachWorkerOnceAndWaitsForAll) {
  WorkerPool pool(4);
  for (int task = 0; task < 200; ++task) {
    std::vector<int> calls(4, 0);  // each worker writes only its own slot
    pool.RunOnAll([&](int worker) { calls[static_cast<std::size_t>(worker)] += 1 + task; });
    EXPECT_EQ(calls, std::vector<int>(4, 1 + task));  // all written before RunOnAll returned
  }
}

TEST(WorkerPool, UsableProcessorsIsAtLeastOne) {
  EXPECT_GE(UsableProcessors(), 1);
}

}  // namespace

}  // namespace projconv
