// The thread object before it runs: state texts, the values a new object
// starts with, and the CPU figures sampled through a hand-moved clock.

#include <gtest/gtest.h>

#include <limits>

#include "ThreadTestSupport.h"
#include "common/ManualClock.h"
#include "common/WaitUntil.h"
#include "threads/KestThread.h"
#include "threads/KestThreadEvent.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

using platform::CpuTimes;

TEST(ThreadStateTextTest, EveryStateHasItsTextAndOthersReadUndefined) {
  const struct {
    int32_t state;
    const char* text;
  } cases[] = {
      {tsSuspended, "Suspended"},       {tsIdle, "Not Busy :)"},           {tsBusy, "Busy"},
      {tsIniting, "Initing.."},         {tsUnIniting, "UnIniting..."},     {tsTerminate, "Terminate!"},
      {tsException, "Exception Error"}, {7, "KestThread UnDefined State"}, {-1, "KestThread UnDefined State"},
  };
  for (const auto& c : cases) EXPECT_STREQ(ThreadStateText(c.state), c.text) << "state " << c.state;
}

TEST(KestThreadTest, NewObjectIsSuspendedWithoutIndexFiguresOrFunction) {
  ThreadManager manager;
  KestThread thread(true, ThreadContext{manager});
  EXPECT_EQ(thread.GetStateText(), "Suspended");
  EXPECT_TRUE(thread.IsSuspended());
  EXPECT_NE(thread.GetThreadId(), 0u) << "the OS thread exists from the constructor on";
  EXPECT_EQ(thread.GetThreadIndex(), -1);
  EXPECT_TRUE(thread.GetCoInit());
  EXPECT_EQ(thread.GetName(), "");
  EXPECT_TRUE(thread.GetThreadFunc().IsEmpty());
  EXPECT_TRUE(thread.IsRunEnabled());
  EXPECT_EQ(thread.GetCpuUsage(), 0);
  EXPECT_EQ(thread.GetKernelCpuUsage(), 0);
  ASSERT_NE(thread.GetEvent(), nullptr);
  EXPECT_TRUE(thread.GetEvent()->IsOwnedByThread());
  thread.SetInfo("ignored");
  EXPECT_EQ(thread.GetInfo(), "");
}

TEST(KestThreadTest, StopOnAThreadWhoseTerminationWasRequestedReturnsSilently) {
  ThreadManager manager;
  KestThread thread(false, ThreadContext{manager});
  test::LogCapture capture;
  thread.Terminate();
  thread.Stop();
  EXPECT_TRUE(capture.Lines().empty());
  EXPECT_TRUE(thread.IsRunEnabled()) << "no stop request is set";
}

class CpuUsageTest : public ::testing::Test {
 protected:
  static constexpr CpuTimes kProcess{1000, 3000};
  static constexpr CpuTimes kThread{100, 200};

  // Takes a sample with the process and the thread this much further on.
  void SampleAfter(CpuTimes processDelta, CpuTimes threadDelta) {
    m_Process = {m_Process.Kernel + processDelta.Kernel, m_Process.User + processDelta.User};
    m_ThreadTimes = {m_ThreadTimes.Kernel + threadDelta.Kernel, m_ThreadTimes.User + threadDelta.User};
    m_Cpu.Set(m_Process, m_ThreadTimes);
    m_Thread.UpdateCpuUsage();
  }
  void Baseline() { SampleAfter({}, {}); }

  ThreadManager m_Manager;
  test::ManualClock m_Clock{5000};
  test::FakeCpuTimes m_Cpu;
  test::RecordingSleeper m_Sleeper;
  KestThread m_Thread{false, ThreadContext{m_Manager, m_Clock, m_Cpu, m_Sleeper}};
  CpuTimes m_Process = kProcess;
  CpuTimes m_ThreadTimes = kThread;
};

TEST_F(CpuUsageTest, FiguresAreTheThreadsShareOfTheProcessOverThePeriod) {
  const struct {
    CpuTimes process;
    CpuTimes thread;
    int32_t cpu;
    int32_t kernel;
  } cases[] = {
      {{300, 700}, {100, 150}, 25, 10},
      {{500, 500}, {500, 500}, 100, 50},
      {{0, 3}, {0, 1}, 33, 0},                                           // 33.3… is cut to 33
      {{0, 0}, {0, 0}, 0, 0},                                            // no CPU time at all in the period
      {{0, 1}, {0, 100000000}, std::numeric_limits<int32_t>::max(), 0},  // nonsense times: held at the top
  };
  for (const auto& c : cases) {
    Baseline();
    m_Clock.Advance(1000);
    SampleAfter(c.process, c.thread);
    EXPECT_EQ(m_Thread.GetCpuUsage(), c.cpu) << c.process.Kernel << "+" << c.process.User;
    EXPECT_EQ(m_Thread.GetKernelCpuUsage(), c.kernel) << c.process.Kernel << "+" << c.process.User;
    m_Clock.Advance(1000);
  }
}

TEST_F(CpuUsageTest, FirstSampleIsOnlyABaselineAndTheNextWaitsAFullSecond) {
  Baseline();
  EXPECT_EQ(m_Cpu.Reads(), 2) << "process and thread times";
  EXPECT_EQ(m_Thread.GetCpuUsage(), 0);

  m_Clock.Advance(999);
  SampleAfter({300, 700}, {100, 150});
  EXPECT_EQ(m_Cpu.Reads(), 2) << "999 ms after the baseline nothing is read";
  EXPECT_EQ(m_Thread.GetCpuUsage(), 0);

  m_Clock.Advance(1);
  m_Thread.UpdateCpuUsage();
  EXPECT_EQ(m_Thread.GetCpuUsage(), 25);
  EXPECT_EQ(m_Thread.GetKernelCpuUsage(), 10);
}

TEST_F(CpuUsageTest, PeriodIsMeasuredAcrossTheClocksWrap) {
  m_Clock.Set(0xFFFFFF00u);
  Baseline();
  m_Clock.Advance(999);  // wraps past 0
  SampleAfter({300, 700}, {100, 150});
  EXPECT_EQ(m_Thread.GetCpuUsage(), 0);
  m_Clock.Advance(1);
  m_Thread.UpdateCpuUsage();
  EXPECT_EQ(m_Thread.GetCpuUsage(), 25);
}

TEST_F(CpuUsageTest, FailedReadKeepsTheFiguresAndTakesNoSample) {
  Baseline();
  m_Clock.Advance(1000);
  SampleAfter({300, 700}, {100, 150});
  ASSERT_EQ(m_Thread.GetCpuUsage(), 25);

  m_Clock.Advance(1000);
  m_Cpu.SetFailing(true);
  SampleAfter({100, 100}, {100, 100});
  EXPECT_EQ(m_Thread.GetCpuUsage(), 25);
  EXPECT_EQ(m_Thread.GetKernelCpuUsage(), 10);

  m_Cpu.SetFailing(false);
  m_Thread.UpdateCpuUsage();  // no sample was taken, so this one is due at once
  EXPECT_EQ(m_Thread.GetCpuUsage(), 100);
  EXPECT_EQ(m_Thread.GetKernelCpuUsage(), 50);
}

TEST_F(CpuUsageTest, SamplesStayBaselinesWhileThePreviousOneSawNoProcessKernelTime) {
  m_Process = {0, 3000};
  Baseline();
  for (int i = 0; i < 2; ++i) {
    m_Clock.Advance(1000);
    SampleAfter({0, 700}, {0, 350});
    EXPECT_EQ(m_Thread.GetCpuUsage(), 0) << "sample " << i + 2;
  }
  m_Clock.Advance(1000);
  SampleAfter({100, 100}, {50, 50});
  EXPECT_EQ(m_Thread.GetCpuUsage(), 0) << "the previous sample still saw a kernel time of 0";
  m_Clock.Advance(1000);
  SampleAfter({100, 100}, {50, 50});
  EXPECT_EQ(m_Thread.GetCpuUsage(), 50);
}

TEST(SystemCpuTimesTest, ThreadTimeGrowsWithWorkAndStaysWithinTheProcesss) {
  const platform::CpuTimeSource& source = platform::SystemCpuTimes();
  CpuTimes before;
  ASSERT_TRUE(source.ReadThreadTimes(before));
  CpuTimes thread = before;
  volatile uint64_t sink = 0;
  const bool grew = test::WaitUntil([&] {
    for (int i = 0; i < 100000; ++i) sink = sink + static_cast<uint64_t>(i);
    EXPECT_TRUE(source.ReadThreadTimes(thread));
    return thread.Kernel + thread.User > before.Kernel + before.User;
  });
  ASSERT_TRUE(grew);
  CpuTimes process;
  ASSERT_TRUE(source.ReadProcessTimes(process));
  EXPECT_GE(process.Kernel + process.User, thread.Kernel + thread.User);
  EXPECT_EQ((thread.Kernel + thread.User) % 10, 0u) << "microseconds in 100 ns units";
}

}  // namespace
}  // namespace maplink
