// The run loop on a real worker thread: the result rules, the start and exit
// steps, the stop handshake, CPU sampling and an escaping exception.

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <latch>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ThreadTestSupport.h"
#include "common/ManualClock.h"
#include "common/WaitUntil.h"
#include "common/Watchdog.h"
#include "threads/KestThreadEvent.h"
#include "threads/SingleThread.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

using test::LogLevel;
using test::WaitUntil;
using namespace std::chrono_literals;

// An exit notification that records its calls and the state they saw.
struct ExitProbe {
  static void Call(void* object, int32_t threadIndex) {
    auto* probe = static_cast<ExitProbe*>(object);
    probe->calls.fetch_add(1);
    probe->index = threadIndex;
    probe->state = probe->thread->GetStateText();
  }
  ThreadExitFunc Func() { return ThreadExitFunc{&ExitProbe::Call, this}; }

  const KestThread* thread = nullptr;
  std::atomic<int> calls{0};
  // Written on the worker, read after it has ended.
  int32_t index = -1;
  std::string state;
};

class SingleThreadTest : public ::testing::Test {
 protected:
  std::unique_ptr<SingleThread> MakeThread(const std::string& name, ThreadFunc func) {
    return std::make_unique<SingleThread>(name, false, func, Context());
  }
  ThreadContext Context() { return ThreadContext{m_Manager, m_Clock, m_Cpu, m_Sleeper}; }

  test::LogCapture m_Capture;
  ThreadManager m_Manager;
  test::ManualClock m_Clock{5000};
  test::FakeCpuTimes m_Cpu;
  test::RecordingSleeper m_Sleeper;
};

TEST_F(SingleThreadTest, ResultOfTheFunctionSteersTheLoop) {
  const struct {
    int32_t result;
    int32_t calls;
    const char* stateAtNextCall;  // the outcome of the first call, seen by the second
    std::vector<uint32_t> sleeps;
  } cases[] = {
      {0, 2, "Busy", {}},
      {50, 2, "Not Busy :)", {50}},
      {-5, 2, "Initing..", {}},  // left as it was
      {-1, 1, "", {}},           // no further call
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    test::RecordingSleeper sleeper;
    const KestThread* self = nullptr;
    std::string stateAtNextCall;
    std::vector<uint32_t> sleepsBeforeNextCall;
    test::FuncProbe probe([&](int32_t call, int32_t) {
      if (call == 1) return c.result;
      stateAtNextCall = self->GetStateText();
      sleepsBeforeNextCall = sleeper.Sleeps();
      return -1;
    });
    SingleThread thread("Worker", false, probe.Func(), ThreadContext{m_Manager, m_Clock, m_Cpu, sleeper});
    self = &thread;
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(probe.Calls(), c.calls);
    EXPECT_EQ(stateAtNextCall, c.stateAtNextCall);
    EXPECT_EQ(sleepsBeforeNextCall, c.sleeps);
    EXPECT_EQ(thread.GetStateText(), "UnIniting...");
  }
}

TEST_F(SingleThreadTest, ThreadNeverResumedNeverStarts) {
  test::FuncProbe probe(test::Returns(0));
  {
    auto thread = MakeThread("Idle", probe.Func());
    EXPECT_EQ(thread->GetStateText(), "Suspended");
    EXPECT_TRUE(thread->IsSuspended());
  }
  EXPECT_EQ(probe.Calls(), 0);
  EXPECT_TRUE(m_Capture.Lines().empty()) << "no start line, no exit line";
}

TEST_F(SingleThreadTest, StartAndExitStepsOfAThreadEndingWithMinusOne) {
  test::FuncProbe probe(test::Returns(-1));
  ExitProbe exitProbe;
  auto thread = MakeThread("Worker", probe.Func());
  exitProbe.thread = thread.get();
  thread->SetThreadIndex(7);
  thread->SetOnExit(exitProbe.Func());
  const std::string id = std::to_string(thread->GetThreadId());

  std::string osName;
  std::ifstream("/proc/self/task/" + id + "/comm") >> osName;
  EXPECT_EQ(osName, "Worker");

  thread->Resume();
  thread->WaitFor();
  const auto lines = m_Capture.Lines();
  const int start =
      test::IndexOf(lines, LogLevel::Info, "Worker  Sys start id = " + id + "; Class Start ID = " + id);
  const int exit = test::IndexOf(lines, LogLevel::Info, "Worker Thread Exit");
  EXPECT_EQ(start, 0);
  EXPECT_GT(exit, start);
  EXPECT_EQ(probe.LastIndex(), 7) << "the function gets the thread index";
  EXPECT_EQ(exitProbe.calls.load(), 1);
  EXPECT_EQ(exitProbe.index, 7);
  EXPECT_EQ(exitProbe.state, "Terminate!");
  EXPECT_EQ(thread->GetStateText(), "UnIniting...");
}

TEST_F(SingleThreadTest, EmptyFunctionSleepsOneMillisecondPerPassAndNeverSamples) {
  auto thread = MakeThread("Empty", ThreadFunc{});
  thread->Resume();
  ASSERT_TRUE(WaitUntil([&] { return m_Sleeper.Count() >= 3; }));
  thread->Terminate();
  thread->WaitFor();
  for (uint32_t sleep : m_Sleeper.Sleeps()) EXPECT_EQ(sleep, 1u);
  EXPECT_EQ(m_Cpu.Reads(), 0);
  EXPECT_EQ(thread->GetCpuUsage(), 0);
  EXPECT_EQ(thread->GetKernelCpuUsage(), 0);
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Empty Thread Exit"));
}

TEST_F(SingleThreadTest, WorkerSamplesItsCpuFiguresAfterItsCalls) {
  m_Cpu.Set({1000, 3000}, {100, 200});
  test::FuncProbe probe(test::Returns(0));
  auto thread = MakeThread("Busy", probe.Func());
  thread->Resume();
  ASSERT_TRUE(WaitUntil([&] { return m_Cpu.Reads() >= 2; })) << "the baseline";
  EXPECT_EQ(thread->GetCpuUsage(), 0);
  m_Cpu.Set({1300, 3700}, {200, 350});
  m_Clock.Advance(1000);
  ASSERT_TRUE(WaitUntil([&] { return thread->GetCpuUsage() == 25; }));
  EXPECT_EQ(thread->GetKernelCpuUsage(), 10);
}

TEST_F(SingleThreadTest, ExceptionFromTheFunctionEndsTheThreadWithoutItsExitSteps) {
  test::FuncProbe probe([](int32_t call, int32_t) -> int32_t {
    if (call == 1) return 0;
    throw std::runtime_error("bad packet");
  });
  ExitProbe exitProbe;
  auto thread = MakeThread("Thrower", probe.Func());
  exitProbe.thread = thread.get();
  thread->SetOnExit(exitProbe.Func());
  thread->Resume();
  thread->WaitFor();

  EXPECT_TRUE(m_Capture.Contains(LogLevel::Error, "Thrower Thread Exception: bad packet"));
  EXPECT_FALSE(m_Capture.Contains(LogLevel::Info, "Thread Exit"));
  EXPECT_EQ(exitProbe.calls.load(), 0);
  EXPECT_EQ(thread->GetStateText(), "Busy") << "the state of the last call that returned";
  test::Watchdog watchdog(20s, "Stop on a thread that ended by an exception");
  thread->Stop();  // no acknowledgement can come: it must not wait
}

TEST_F(SingleThreadTest, StopWaitsForTheAcknowledgementAndTheThreadParks) {
  test::FuncProbe probe(test::Returns(0));
  auto thread = MakeThread("Worker", probe.Func());
  thread->Resume();
  ASSERT_TRUE(WaitUntil([&] { return probe.Calls() > 0; }));
  m_Capture.Clear();

  thread->Stop();
  const auto lines = m_Capture.Lines();
  const int stopping = test::IndexOf(lines, LogLevel::Info, "Worker Stopping...");
  const int acknowledged = test::IndexOf(lines, LogLevel::Warn, "Worker Thread Stop");
  const int stopped = test::IndexOf(lines, LogLevel::Info, "Worker Stopp OK");
  EXPECT_EQ(stopping, 0);
  EXPECT_GT(acknowledged, stopping);
  EXPECT_GT(stopped, acknowledged);
  EXPECT_EQ(thread->GetEvent()->WaitFor(0), platform::WaitResult::Timeout) << "Stop resets the event";
  ASSERT_TRUE(WaitUntil([&] { return thread->IsSuspended() && thread->GetStateText() == "Suspended"; }));
  const int32_t calls = probe.Calls();

  thread->Resume();  // the request is still set: it acknowledges and parks again
  ASSERT_TRUE(WaitUntil(
      [&] { return m_Capture.Count(LogLevel::Warn, "Worker Thread Stop") == 2 && thread->IsSuspended(); }));
  EXPECT_EQ(probe.Calls(), calls);

  thread->ClearStop();
  thread->Resume();
  ASSERT_TRUE(WaitUntil([&] { return probe.Calls() > calls; }));
}

TEST_F(SingleThreadTest, ResumeRightAfterTheAcknowledgementIsNotLost) {
  test::FuncProbe probe(test::Returns(0));
  auto thread = MakeThread("Worker", probe.Func());
  thread->Resume();
  test::Watchdog watchdog(120s, "stop and resume cycles");
  for (int cycle = 0; cycle < 200; ++cycle) {
    thread->Stop();
    thread->ClearStop();
    thread->Resume();  // most often while the worker is still about to park
    const int32_t calls = probe.Calls();
    ASSERT_TRUE(WaitUntil([&] { return probe.Calls() > calls; })) << "cycle " << cycle;
  }
}

TEST_F(SingleThreadTest, StopReturnsWhenTheThreadEndsInsteadOfAcknowledging) {
  std::latch inCall(1);
  std::latch release(1);
  test::FuncProbe probe([&](int32_t, int32_t) {
    inCall.count_down();
    release.wait();
    return -1;
  });
  auto thread = MakeThread("Ender", probe.Func());
  thread->Resume();
  inCall.wait();
  {
    test::Watchdog watchdog(20s, "Stop while the thread ends by itself");
    auto stop = std::async(std::launch::async, [&] { thread->Stop(); });
    EXPECT_TRUE(m_Capture.WaitFor(LogLevel::Info, "Ender Stopping..."));
    release.count_down();
    stop.get();
  }
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Ender Thread Exit"));
  EXPECT_FALSE(m_Capture.Contains(LogLevel::Warn, "Ender Thread Stop"));
}

}  // namespace
}  // namespace maplink
