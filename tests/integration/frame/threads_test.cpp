// Callers on several threads: each reads its own call's result from GetLastError, and contexts
// acquired and released at the same time never share or lose a handle.
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "frame_fixture.h"

namespace kq::test {
namespace {

using Threads = FrameTest;

TEST_F(Threads, OneThreadsResultNeverReachesAnotherThreadsLastError) {
  const KqHandle handle = Acquire();
  std::atomic<int> wrongOnFailingThread{0};
  std::atomic<int> wrongOnSucceedingThread{0};
  constexpr int kRounds = 20000;

  std::thread failing([&] {
    for (int i = 0; i < kRounds; ++i) {
      if (P().CPReleaseContext(0x7FFFFFF0, 0) != 0 || P().GetLastError() != kNteBadUid) {
        ++wrongOnFailingThread;
      }
    }
  });
  std::thread succeeding([&] {
    uint8_t buffer[4];
    for (int i = 0; i < kRounds; ++i) {
      if (P().CPGenRandom(handle, sizeof buffer, buffer) == 0 || P().GetLastError() != 0) {
        ++wrongOnSucceedingThread;
      }
    }
  });
  failing.join();
  succeeding.join();
  EXPECT_EQ(wrongOnFailingThread.load(), 0);
  EXPECT_EQ(wrongOnSucceedingThread.load(), 0);
  EXPECT_TRUE(P().CPReleaseContext(handle, 0));
}

TEST_F(Threads, ContextsAcquiredAndReleasedConcurrentlyGetDistinctHandles) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 500;
  std::vector<std::vector<KqHandle>> seen(kThreads);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        KqHandle handle = 0;
        uint8_t byte = 0;
        if (P().CPAcquireContext(&handle, nullptr, kVerifyContext, nullptr) == 0 ||
            P().CPGenRandom(handle, 1, &byte) == 0 || P().CPReleaseContext(handle, 0) == 0 ||
            P().CPReleaseContext(handle, 0) != 0 || P().GetLastError() != kNteBadUid) {
          ++failures;
        }
        seen[static_cast<size_t>(t)].push_back(handle);
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(failures.load(), 0);
  std::set<KqHandle> distinct;
  for (const auto& handles : seen) {
    distinct.insert(handles.begin(), handles.end());
  }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kRounds));
}

}  // namespace
}  // namespace kq::test
