// The hand-over from worker threads to the GUI thread.
#include "engine/gui_inbox/gui_inbox.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/playout/playback_fixture.h"

namespace vexto {
namespace {

using namespace std::chrono_literals;
using test::RunFor;
using test::RunUntil;

TEST(GuiInbox, WorkFromOtherThreadsRunsOnTheGuiThreadInOrderEvenThroughANestedLoop) {
  GuiInbox inbox;
  constexpr int kThreads = 2;
  constexpr int kPerThread = 400;
  std::vector<int> next(kThreads, 0);  // GUI thread only
  int ran = 0;
  bool off_thread = false;
  bool out_of_order = false;
  bool nested_done = false;

  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        inbox.Post([&, t, i] {
          if (QThread::currentThread() != QCoreApplication::instance()->thread()) off_thread = true;
          if (next[t] != i) out_of_order = true;
          next[t] = i + 1;
          ++ran;
          if (t == 0 && i == 50) {
            // A message box in the middle of the work: what is queued behind keeps running.
            const int target = ran + 100;
            nested_done =
                RunUntil([&] { return ran >= target || ran == kThreads * kPerThread; }, 5000ms);
          }
        });
      }
    });
  }
  for (std::thread& p : posters) p.join();
  ASSERT_TRUE(RunUntil([&] { return ran == kThreads * kPerThread; }, 5000ms)) << ran;
  EXPECT_TRUE(nested_done);
  EXPECT_FALSE(off_thread);
  EXPECT_FALSE(out_of_order);
}

TEST(GuiInbox, WorkStillQueuedWhenTheInboxGoesIsDropped) {
  auto ran = std::make_shared<std::atomic<int>>(0);
  {
    GuiInbox inbox;
    std::thread([&] {
      for (int i = 0; i < 10; ++i) inbox.Post([ran] { ++*ran; });
    }).join();
  }
  RunFor(100ms);
  EXPECT_EQ(ran->load(), 0);
  EXPECT_EQ(ran.use_count(), 1);  // the dropped work was freed
}

}  // namespace
}  // namespace vexto
