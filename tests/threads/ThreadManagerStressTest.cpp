// Many StopAll/StartAll cycles over threads of every kind, with a display
// thread reading the list and the figures all the while, then ExitAll. Runs
// under ThreadSanitizer; a deadlock fails through the watchdog.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "ThreadTestSupport.h"
#include "common/Watchdog.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

using namespace std::chrono_literals;

// Reads every row as the thread list view does, until told to stop.
class DisplayReader {
 public:
  explicit DisplayReader(const ThreadManager& manager)
      : m_Thread([this, &manager] {
          while (!m_Stop.load()) {
            for (int32_t row = 0; row < manager.GetThreadCount(); ++row) {
              m_Seen += manager.ReadThread(row, [](const SingleThread* thread) -> uint64_t {
                if (thread == nullptr) return 0;
                return thread->GetName().size() + thread->GetStateText().size() + thread->GetThreadId() +
                       static_cast<uint64_t>(thread->GetCpuUsage() + thread->GetKernelCpuUsage());
              });
            }
            std::this_thread::yield();
          }
        }) {}
  ~DisplayReader() {
    m_Stop.store(true);
    m_Thread.join();
  }
  DisplayReader(const DisplayReader&) = delete;
  DisplayReader& operator=(const DisplayReader&) = delete;

 private:
  std::atomic<bool> m_Stop{false};
  uint64_t m_Seen = 0;  // only the reader touches it
  std::thread m_Thread;
};

// Busy for a few milliseconds, then asks to be called again at once.
int32_t WorkAFewMilliseconds(void*, int32_t) {
  const auto until = std::chrono::steady_clock::now() + 2ms;
  while (std::chrono::steady_clock::now() < until) {
  }
  return 0;
}

TEST(ThreadManagerStressTest, FiveHundredStopStartCyclesThenExitAll) {
  constexpr int kCycles = 500;
  test::LogCapture capture;
  test::FuncProbe busy(test::Returns(0));
  test::FuncProbe idle(test::Returns(1));
  test::FuncProbe sleeper(test::Returns(3));
  ThreadManager manager;
  manager.AddThread("Busy", busy.Func(), false);
  manager.AddThread("Idle", idle.Func(), false);
  manager.AddThread("Sleeper", sleeper.Func(), false);
  manager.AddThread("Worker", ThreadFunc{&WorkAFewMilliseconds, nullptr}, false);
  {
    DisplayReader display(manager);
    test::Watchdog watchdog(300s, "StopAll/StartAll cycles");
    manager.StartAll();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
      manager.StopAll();
      manager.StartAll();
    }
    manager.ExitAll();
  }
  EXPECT_EQ(manager.GetThreadCount(), 0);
  for (const std::string name : {"Busy", "Idle", "Sleeper", "Worker"}) {
    EXPECT_EQ(capture.Count(test::LogLevel::Info, name + " Stopp OK"), kCycles) << name;
    EXPECT_EQ(capture.Count(test::LogLevel::Info, name + " Thread Exit"), 1) << name;
  }
  EXPECT_GT(busy.Calls(), 0);
  EXPECT_GT(idle.Calls(), 0);
  EXPECT_GT(sleeper.Calls(), 0);
}

TEST(ThreadManagerStressTest, RegistrationsComeAndGoUnderTheDisplaysEyes) {
  test::LogCapture capture;
  test::FuncProbe probe(test::Returns(1));
  ThreadManager manager;
  DisplayReader display(manager);
  {
    test::Watchdog watchdog(300s, "registration rounds");
    for (int round = 0; round < 50; ++round) {
      for (int i = 0; i < 12; ++i) manager.AddThread("T" + std::to_string(i), probe.Func(), false);
      manager.StartAll();
      manager.ExitAll();
    }
  }
  EXPECT_EQ(manager.GetThreadCount(), 0);
  EXPECT_EQ(capture.Count(test::LogLevel::Info, "All Thread Exit OK!"), 50);
}

}  // namespace
}  // namespace maplink
