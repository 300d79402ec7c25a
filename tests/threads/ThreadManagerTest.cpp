// The thread manager over real worker threads: registration, StartAll,
// StopAll and ExitAll with their log lines, ended threads, foreign events,
// the destructor, and the module's own manager.

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "ThreadTestSupport.h"
#include "common/WaitUntil.h"
#include "common/Watchdog.h"
#include "platform/Process.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

using test::LogLevel;
using test::WaitUntil;
using namespace std::chrono_literals;

std::vector<std::string> InfoLinesStartingWith(const test::LogCapture& capture, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& text : capture.Texts(LogLevel::Info)) {
    if (text.rfind(prefix, 0) == 0) found.push_back(text);
  }
  return found;
}

class ThreadManagerTest : public ::testing::Test {
 protected:
  test::LogCapture m_Capture;
  ThreadManager m_Manager;
};

TEST_F(ThreadManagerTest, StartAllWithoutThreadsOnlySetsTheFlag) {
  EXPECT_FALSE(m_Manager.IsStarted());
  EXPECT_EQ(m_Manager.StartAll(), 0);
  EXPECT_TRUE(m_Manager.IsStarted());
  EXPECT_TRUE(m_Capture.Lines().empty());
}

TEST_F(ThreadManagerTest, StartAllAndExitAllLogEachThreadInRegistrationOrder) {
  test::FuncProbe send(test::Returns(1));
  test::FuncProbe recv(test::Returns(1));
  m_Manager.AddThread("SendToGameServer", send.Func(), false);
  m_Manager.AddThread("RecvFromGameServer", recv.Func(), false);
  ASSERT_EQ(m_Manager.GetThreadCount(), 2);

  EXPECT_EQ(m_Manager.StartAll(), 2);
  const std::string caller = std::to_string(platform::CurrentThreadId());
  EXPECT_EQ(InfoLinesStartingWith(m_Capture, "Starting thread"),
            (std::vector<std::string>{
                "Starting thread : SendToGameServer...",
                "Starting thread : SendToGameServer OK! CurrentThreadID = " + caller,
                "Starting thread : RecvFromGameServer...",
                "Starting thread : RecvFromGameServer OK! CurrentThreadID = " + caller,
            }));
  ASSERT_TRUE(WaitUntil([&] { return send.Calls() > 0 && recv.Calls() > 0; }));
  EXPECT_EQ(send.LastIndex(), 0);
  EXPECT_EQ(recv.LastIndex(), 1);

  m_Manager.ExitAll();
  const auto lines = m_Capture.Lines();
  const int sendPrepare = test::IndexOf(lines, LogLevel::Info, "SendToGameServer Thread Prepare Exit");
  const int recvPrepare = test::IndexOf(lines, LogLevel::Info, "RecvFromGameServer Thread Prepare Exit");
  const int sendExit = test::IndexOf(lines, LogLevel::Info, "SendToGameServer Thread Exit");
  const int recvExit = test::IndexOf(lines, LogLevel::Info, "RecvFromGameServer Thread Exit");
  const int allExited = test::IndexOf(lines, LogLevel::Info, "All Thread Exit OK!");
  EXPECT_GE(sendPrepare, 0);
  EXPECT_GT(sendExit, sendPrepare);
  EXPECT_GT(recvPrepare, sendExit) << "one thread after the other";
  EXPECT_GT(recvExit, recvPrepare);
  EXPECT_GT(allExited, recvExit);
  EXPECT_FALSE(m_Manager.IsStarted());
  EXPECT_EQ(m_Manager.GetThreadCount(), 0);
  EXPECT_EQ(m_Manager.GetThread(0), nullptr);

  m_Manager.AddThread("Again", send.Func(), false);
  EXPECT_EQ(m_Manager.GetThread(0)->GetThreadIndex(), 0) << "indexes count from 0 again";
  m_Manager.ExitAll();
}

TEST_F(ThreadManagerTest, StopAllStartsThreadsNeverStartedAndParksThem) {
  test::FuncProbe probe(test::Returns(0));
  for (const char* name : {"First", "Second"}) m_Manager.AddThread(name, probe.Func(), false);

  m_Manager.StopAll();
  EXPECT_FALSE(m_Manager.IsStarted());
  for (const std::string name : {"First", "Second"}) {
    EXPECT_EQ(m_Capture.Count(LogLevel::Info, name + "  Sys start id"), 1) << name;
    EXPECT_TRUE(m_Capture.Contains(LogLevel::Warn, name + " Thread Stop")) << name;
    EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, name + " Stopp OK")) << name;
  }
  EXPECT_EQ(m_Capture.Texts(LogLevel::Info).back(), "All Thread Stopped");
  for (int32_t i = 0; i < 2; ++i) {
    SingleThread* thread = m_Manager.GetThread(i);
    ASSERT_TRUE(WaitUntil([&] { return thread->IsSuspended() && thread->GetStateText() == "Suspended"; }));
  }
  m_Manager.ExitAll();
}

TEST_F(ThreadManagerTest, StartAllAfterStopAllRunsEveryParkedThreadAgain) {
  std::vector<std::unique_ptr<test::FuncProbe>> probes;
  for (int32_t result : {0, 1, 3}) {
    probes.push_back(std::make_unique<test::FuncProbe>(test::Returns(result)));
    m_Manager.AddThread("Worker" + std::to_string(result), probes.back()->Func(), false);
  }
  m_Manager.StartAll();
  m_Manager.StopAll();
  std::vector<int32_t> callsWhenParked;
  for (const auto& probe : probes) callsWhenParked.push_back(probe->Calls());

  EXPECT_EQ(m_Manager.StartAll(), 3);
  for (size_t i = 0; i < probes.size(); ++i) {
    EXPECT_TRUE(WaitUntil([&] { return probes[i]->Calls() > callsWhenParked[i]; })) << "thread " << i;
  }
  m_Manager.ExitAll();
}

TEST_F(ThreadManagerTest, ThreadThatEndedItselfIsSkippedButStillCounted) {
  test::FuncProbe ender(test::Returns(-1));
  test::FuncProbe runner(test::Returns(1));
  m_Manager.AddThread("Ender", ender.Func(), false);
  m_Manager.AddThread("Runner", runner.Func(), false);
  m_Manager.StartAll();
  ASSERT_TRUE(WaitUntil([&] { return m_Manager.GetThread(0) == nullptr; }));
  EXPECT_NE(m_Manager.GetThread(1), nullptr);
  m_Capture.Clear();

  EXPECT_EQ(m_Manager.StartAll(), 2);
  m_Manager.StopAll();
  EXPECT_EQ(m_Manager.GetThreadCount(), 2);
  m_Manager.ExitAll();
  EXPECT_EQ(ender.Calls(), 1);
  for (const std::string& text : m_Capture.Texts(LogLevel::Info)) {
    EXPECT_EQ(text.find("Ender"), std::string::npos) << text;
  }
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Starting thread : Runner..."));
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Runner Stopp OK"));
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Runner Thread Prepare Exit"));
  EXPECT_EQ(m_Manager.GetThreadCount(), 0);
}

TEST_F(ThreadManagerTest, ThreadEndedByAnExceptionIsStoppedAndEndedWithoutWaiting) {
  test::FuncProbe thrower([](int32_t, int32_t) -> int32_t { throw std::runtime_error("lost"); });
  m_Manager.AddThread("Thrower", thrower.Func(), false);
  m_Manager.StartAll();
  ASSERT_TRUE(m_Capture.WaitFor(LogLevel::Error, "Thrower Thread Exception: lost"));
  {
    test::Watchdog watchdog(20s, "StopAll and ExitAll over a thread ended by an exception");
    m_Manager.StopAll();
    m_Manager.ExitAll();
  }
  EXPECT_TRUE(m_Capture.Contains(LogLevel::Info, "Thrower Thread Prepare Exit"));
  EXPECT_FALSE(m_Capture.Contains(LogLevel::Info, "Thrower Thread Exit"));
  EXPECT_EQ(m_Manager.GetThreadCount(), 0);
}

TEST_F(ThreadManagerTest, StopAllAndExitAllReleaseEventsNotOwnedByAThread) {
  for (bool exitAll : {false, true}) {
    SCOPED_TRACE(exitAll ? "ExitAll" : "StopAll");
    KestThreadEvent* foreign = m_Manager.CreateEvent();
    EXPECT_FALSE(foreign->IsOwnedByThread());
    auto waiter = std::async(std::launch::async, [&] { return foreign->WaitFor(platform::kInfinite); });
    if (exitAll) {
      m_Manager.ExitAll();
    } else {
      m_Manager.StopAll();
    }
    ASSERT_EQ(waiter.wait_for(20s), std::future_status::ready);
    const platform::WaitResult released = waiter.get();  // Abandoned when it began to wait after the release
    EXPECT_TRUE(released == platform::WaitResult::Signaled || released == platform::WaitResult::Abandoned);
    foreign->ResetEvent();
    EXPECT_EQ(foreign->WaitFor(platform::kInfinite), platform::WaitResult::Abandoned)
        << "waiting stays disabled";
  }
}

TEST_F(ThreadManagerTest, ReadThreadHandsTheThreadOrNullToTheReader) {
  test::FuncProbe probe(test::Returns(1));
  m_Manager.AddThread("Shown", probe.Func(), false);
  const auto name = [](const SingleThread* thread) {
    return thread == nullptr ? std::string("ERROR") : thread->GetName();
  };
  EXPECT_EQ(m_Manager.ReadThread(0, name), "Shown");
  EXPECT_EQ(m_Manager.ReadThread(1, name), "ERROR");
  EXPECT_EQ(m_Manager.ReadThread(-1, name), "ERROR");
  m_Manager.ExitAll();
}

TEST(ThreadManagerDestructorTest, EndsThreadsInEveryStateWithoutHanging) {
  const struct {
    const char* name;
    bool start;
    bool stop;
    bool exitLine;  // only a body that ran writes its exit line
  } cases[] = {
      {"NeverStarted", false, false, false},
      {"Running", true, false, true},
      {"Parked", true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::LogCapture capture;
    test::FuncProbe probe(test::Returns(0));
    {
      test::Watchdog watchdog(20s, std::string("destroying a manager with a thread ") + c.name);
      auto manager = std::make_unique<ThreadManager>();
      manager->AddThread(c.name, probe.Func(), false);
      if (c.start) {
        manager->StartAll();
        ASSERT_TRUE(WaitUntil([&] { return probe.Calls() > 0; }));
      }
      if (c.stop) manager->StopAll();
    }
    EXPECT_EQ(capture.Contains(LogLevel::Info, std::string(c.name) + " Thread Exit"), c.exitLine);
    EXPECT_FALSE(capture.Contains(LogLevel::Info, "All Thread Exit OK!")) << "not an ExitAll";
  }
}

TEST(ModuleThreadManagerTest, OneManagerForTheModuleLeftEmptyByExitAll) {
  ThreadManager& manager = GetThreadManager();
  EXPECT_EQ(&manager, &GetThreadManager());
  test::FuncProbe probe(test::Returns(1));
  manager.AddThread("Module", probe.Func(), false);
  SingleThread own("Own", false, probe.Func());  // its event comes from the module's manager
  EXPECT_TRUE(own.GetEvent()->IsOwnedByThread());
  EXPECT_EQ(manager.StartAll(), 1);
  ASSERT_TRUE(WaitUntil([&] { return probe.Calls() > 0; }));
  manager.ExitAll();
  EXPECT_EQ(manager.GetThreadCount(), 0);
}

}  // namespace
}  // namespace maplink
