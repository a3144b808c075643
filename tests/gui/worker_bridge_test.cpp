// The bridge between a batch on its worker thread and the dialog's thread:
// what is posted, and when a worker waiting on a message goes on.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "gui/worker_bridge.h"
#include "gui/worker_events.h"

namespace projconv {

namespace {

// Stands in for the dialog: records what arrives.
class Receiver : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == kConvertProgressEvent) {
      progress.push_back(static_cast<ConvertProgressEvent*>(e)->fileNumber());
    } else if (e->type() == kWorkerMessageEvent) {
      const auto* m = static_cast<WorkerMessageEvent*>(e);
      requests.push_back(m->request());
      texts.push_back(m->caption() + ": " + m->text());
    } else if (e->type() == kWorkerFinishedEvent) {
      ++finished;
    } else {
      return QObject::event(e);
    }
    return true;
  }
  std::vector<int> progress;
  std::vector<std::uint64_t> requests;
  QStringList texts;
  int finished = 0;
};

// ShowMessage on a thread of its own, as the worker calls it.
class WaitingWorker {
 public:
  WaitingWorker(WorkerBridge& bridge, std::string text)
      : thread_([&bridge, this, text] {
          bridge.ShowMessage(text, "Info");
          returned_ = true;
        }) {}
  ~WaitingWorker() { thread_.join(); }
  bool Returned() const { return returned_; }

 private:
  std::atomic<bool> returned_{false};
  std::thread thread_;
};

TEST(WorkerBridge, PostsProgressInOrderAndTheFinishAfterIt) {
  Receiver receiver;
  WorkerBridge bridge(receiver);
  std::thread worker([&] {
    for (int n = 0; n < 5; ++n) bridge.PostProgress(n);
    bridge.PostFinished();
  });
  worker.join();  // nothing waited for the receiver
  EXPECT_TRUE(receiver.progress.empty());
  QCoreApplication::sendPostedEvents(&receiver);
  EXPECT_EQ(receiver.progress, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(receiver.finished, 1);
}

TEST(WorkerBridge, MessageWaitsUntilItsBoxIsAnswered) {
  Receiver receiver;
  WorkerBridge bridge(receiver);
  testing::internal::CaptureStderr();
  {
    WaitingWorker worker(bridge, "File  x   can not be opened. Converting is finished");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.requests.empty(); }));
    EXPECT_EQ(receiver.texts,
              QStringList{"Info: File  x   can not be opened. Converting is finished"});
    const std::uint64_t request = receiver.requests.front();
    ASSERT_TRUE(bridge.BeginShowing(request));
    QTest::qWait(30);
    EXPECT_FALSE(worker.Returned());
    bridge.Answer(request + 1);  // not its box
    QTest::qWait(10);
    EXPECT_FALSE(worker.Returned());
    bridge.Answer(request);
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.Returned(); }));
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the user saw it
}

TEST(WorkerBridge, ReleasedWorkerGoesOnAndUnseenMessagesGoToStandardError) {
  Receiver receiver;
  WorkerBridge bridge(receiver);
  testing::internal::CaptureStderr();
  {
    WaitingWorker worker(bridge, "first");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.requests.empty(); }));
    bridge.Release();  // before its box came up
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.Returned(); }));
    EXPECT_FALSE(bridge.BeginShowing(receiver.requests.front()));
  }
  bridge.ShowMessage("second", "Error");  // returns at once while released
  EXPECT_EQ(receiver.requests.size(), 1u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "projconv: Info: first\nprojconv: Error: second\n");

  bridge.Open();  // the next batch waits for its boxes again
  WaitingWorker next(bridge, "third");
  ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.requests.size() == 2; }));
  EXPECT_TRUE(bridge.BeginShowing(receiver.requests.back()));
  EXPECT_FALSE(next.Returned());
  bridge.Answer(receiver.requests.back());
}

TEST(WorkerBridge, DetachedBridgePostsNothingAndLetsEveryMessageGo) {
  Receiver receiver;
  WorkerBridge bridge(receiver);
  bridge.Detach();
  bridge.Open();  // no receiver to show a box: still let go
  testing::internal::CaptureStderr();
  std::thread worker([&] {
    bridge.PostProgress(3);
    bridge.ShowMessage("late", "Info");
    bridge.PostFinished();
  });
  worker.join();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "projconv: Info: late\n");
  QCoreApplication::sendPostedEvents(&receiver);
  EXPECT_TRUE(receiver.progress.empty());
  EXPECT_TRUE(receiver.requests.empty());
  EXPECT_EQ(receiver.finished, 0);
}

}  // namespace

}  // namespace projconv
