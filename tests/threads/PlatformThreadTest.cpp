// The platform thread: created suspended with its id known, started by the
// first resume, parked without losing a resume, ended on request, and an
// exception that escapes the body caught.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <latch>
#include <stdexcept>
#include <string>

#include "common/WaitUntil.h"
#include "platform/Event.h"
#include "platform/Process.h"
#include "platform/Thread.h"

namespace maplink::platform {
namespace {

// A thread whose body is a function of the test; it records what it saw.
class ProbeThread final : public Thread {
 public:
  explicit ProbeThread(std::function<void(ProbeThread&)> body)
      : Thread([this](const char* what) { m_Reported = what; }), m_Body(std::move(body)) {}
  ~ProbeThread() override { TerminateAndWait(); }

  using Thread::Park;

  std::atomic<bool> m_BodyRan{false};
  std::atomic<uint32_t> m_SeenId{0};
  std::atomic<int> m_Terminations{0};
  std::string m_Reported;  // written on the thread, read after WaitFor

 protected:
  void Execute() override {
    m_BodyRan.store(true);
    m_SeenId.store(CurrentThreadId());
    m_Body(*this);
  }
  void DoTerminate() noexcept override { m_Terminations.fetch_add(1); }

 private:
  const std::function<void(ProbeThread&)> m_Body;
};

// Parks until termination is requested, counting the passes.
void ParkUntilTerminated(ProbeThread& thread, std::atomic<int>& passes) {
  while (!thread.IsTerminated()) {
    thread.Park([] {});
    passes.fetch_add(1);
  }
}

TEST(PlatformThreadTest, IdIsKnownAtOnceAndTheBodyRunsFromTheFirstResume) {
  ProbeThread thread([](ProbeThread&) {});
  const uint32_t id = thread.GetThreadId();
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, CurrentThreadId());
  EXPECT_TRUE(thread.IsSuspended());
  EXPECT_FALSE(thread.m_BodyRan.load());

  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(thread.m_BodyRan.load());
  EXPECT_EQ(thread.m_SeenId.load(), id) << "the body runs on the thread created with the object";
  EXPECT_EQ(thread.m_Terminations.load(), 1);
  EXPECT_FALSE(thread.IsSuspended());
}

TEST(PlatformThreadTest, ThreadNeverResumedEndsWithoutRunningItsBody) {
  std::atomic<bool> ran{false};
  {
    ProbeThread thread([&](ProbeThread&) { ran.store(true); });
    thread.TerminateAndWait();
    EXPECT_EQ(thread.m_Terminations.load(), 0);
  }
  {
    ProbeThread destroyedUnstarted([&](ProbeThread&) { ran.store(true); });
  }
  EXPECT_FALSE(ran.load());
}

TEST(PlatformThreadTest, OsThreadCarriesTheFirst15BytesOfItsName) {
  ProbeThread thread([](ProbeThread&) {});
  thread.SetName("SendToGameServer");
  std::string name;
  std::ifstream comm("/proc/self/task/" + std::to_string(thread.GetThreadId()) + "/comm");
  std::getline(comm, name);
  EXPECT_EQ(name, "SendToGameServe");
}

TEST(PlatformThreadTest, ResumeOfARunningThreadIsNotSavedForItsNextPark) {
  std::latch running(1);
  std::latch resumedWhileRunning(1);
  std::atomic<int> passes{0};
  ProbeThread thread([&](ProbeThread& self) {
    running.count_down();
    resumedWhileRunning.wait();
    ParkUntilTerminated(self, passes);
  });
  thread.Resume();
  running.wait();
  EXPECT_FALSE(thread.IsSuspended());
  thread.Resume();  // running: no effect
  resumedWhileRunning.count_down();

  ASSERT_TRUE(test::WaitUntil([&] { return thread.IsSuspended(); })) << "the park must hold";
  EXPECT_EQ(passes.load(), 0);
  thread.Resume();
  ASSERT_TRUE(test::WaitUntil([&] { return passes.load() == 1 && thread.IsSuspended(); }));
  thread.TerminateAndWait();
  EXPECT_EQ(passes.load(), 2);
}

TEST(PlatformThreadTest, ResumeWhileTheThreadAnnouncesItsParkIsNotLost) {
  std::latch announced(1);
  std::latch resumed(1);
  std::atomic<bool> continued{false};
  ProbeThread thread([&](ProbeThread& self) {
    self.Park([&] {
      announced.count_down();
      resumed.wait();  // the resume arrives before the thread waits
    });
    continued.store(true);
  });
  thread.Resume();
  announced.wait();
  EXPECT_TRUE(thread.IsSuspended()) << "about to park counts as suspended";
  thread.Resume();
  EXPECT_FALSE(thread.IsSuspended()) << "a resume is on its way";
  resumed.count_down();
  thread.WaitFor();
  EXPECT_TRUE(continued.load());
}

TEST(PlatformThreadTest, TerminateAndWaitEndsAParkedThread) {
  std::atomic<int> passes{0};
  ProbeThread thread([&](ProbeThread& self) { ParkUntilTerminated(self, passes); });
  thread.Resume();
  ASSERT_TRUE(test::WaitUntil([&] { return thread.IsSuspended(); }));
  EXPECT_FALSE(thread.IsTerminated());
  thread.TerminateAndWait();
  EXPECT_TRUE(thread.IsTerminated());
  EXPECT_EQ(passes.load(), 1);
  EXPECT_EQ(thread.m_Terminations.load(), 1);
}

TEST(PlatformThreadTest, ExceptionLeavingTheBodyIsReportedAndEndsTheThread) {
  const struct {
    std::function<void(ProbeThread&)> body;
    const char* reported;
  } cases[] = {
      {[](ProbeThread&) { throw std::runtime_error("boom"); }, "boom"},
      {[](ProbeThread&) { throw 42; }, "unknown exception"},
  };
  for (const auto& c : cases) {
    ProbeThread thread(c.body);
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(thread.m_Reported, c.reported);
    EXPECT_EQ(thread.m_Terminations.load(), 1) << "the termination notification still runs";
  }
}

TEST(PlatformEventTest, SetReleasesAWaiterWithoutLimit) {
  Event event;
  std::latch waiting(1);
  auto result = std::async(std::launch::async, [&] {
    waiting.count_down();
    return event.WaitFor(kInfinite);
  });
  waiting.wait();
  event.SetEvent();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(result.get(), WaitResult::Signaled);
}

}  // namespace
}  // namespace maplink::platform
