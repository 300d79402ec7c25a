// The thread list view over running threads: the figures and states the
// workers write, threads that end on their own, ExitAll, and Qt's model
// tester while a controlling thread registers, starts, stops and ends
// threads and the display thread refreshes and reads every cell.

#include <QCoreApplication>
#include <QRegularExpression>
#include <atomic>
#include <thread>

#include "ThreadListViewFixture.h"
#include "common/WaitUntil.h"
#include "common/Watchdog.h"
#include "threads/ThreadTestSupport.h"

namespace maplink {
namespace {

using test::LogLevel;
using test::WaitUntil;
using ::testing::ElementsAre;
using namespace std::chrono_literals;

class ThreadListViewConcurrencyTest : public test::ThreadListViewFixture {};

bool IsWholePercent(const std::string& text) {
  static const QRegularExpression kWholePercent(QStringLiteral("^(100|[1-9]?[0-9])$"));
  return kWholePercent.match(QString::fromStdString(text)).hasMatch();
}

TEST_F(ThreadListViewConcurrencyTest, StartedThreadsShowTheirIdsFiguresAndStates) {
  test::FuncProbe send(test::Returns(0));
  test::FuncProbe recv(test::Returns(1));
  m_Manager.AddThread("SendToGameServer", send.Func(), false);
  m_Manager.AddThread("RecvFromGameServer", recv.Func(), false);
  Attach(m_Table);
  m_Manager.StartAll();
  m_View.RefreshListView();
  ASSERT_EQ(Rows(), 2);
  ASSERT_TRUE(WaitUntil([&] {
    return TableRow(0)[ThreadListModel::kStateColumn] == "Busy" &&
           TableRow(1)[ThreadListModel::kStateColumn] == "Not Busy :)";
  }));

  const std::vector<std::string> names{"SendToGameServer", "RecvFromGameServer"};
  for (int row = 0; row < 2; ++row) {
    const std::vector<std::string> cells = TableRow(row);
    EXPECT_EQ(cells[ThreadListModel::kNameColumn], names[row]);
    EXPECT_EQ(cells[ThreadListModel::kIdColumn], std::to_string(m_Manager.GetThread(row)->GetThreadId()));
    EXPECT_TRUE(IsWholePercent(cells[ThreadListModel::kCpuColumn])) << cells[ThreadListModel::kCpuColumn];
    EXPECT_TRUE(IsWholePercent(cells[ThreadListModel::kKernelCpuColumn]))
        << cells[ThreadListModel::kKernelCpuColumn];
  }

  m_Manager.ExitAll();
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ThreadListViewConcurrencyTest, AThreadThatEndedKeepsItsRowReadingError) {
  test::FuncProbe quitter(test::Returns(-1));
  test::FuncProbe worker(test::Returns(1));
  m_Manager.AddThread("Quitter", quitter.Func(), false);
  m_Manager.AddThread("Worker", worker.Func(), false);
  Attach(m_Table);
  m_Manager.StartAll();
  ASSERT_TRUE(WaitUntil([&] { return m_Manager.GetThread(0) == nullptr && worker.Calls() > 0; }));
  m_View.RefreshListView();
  ASSERT_EQ(Rows(), 2);
  EXPECT_THAT(TableRow(0), ElementsAre("ERROR", "", "", "", ""));
  EXPECT_EQ(TableRow(1)[ThreadListModel::kNameColumn], "Worker");

  m_Manager.ExitAll();
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ThreadListViewConcurrencyTest, ModelTesterFindsNoFaultWhileThreadsComeAndGo) {
  test::Watchdog watchdog(120s, "threads coming and going under the list view");
  test::FuncProbe quitter(test::Returns(-1));
  test::FuncProbe busy(test::Returns(0));
  test::FuncProbe idle(test::Returns(1));
  // The view is not shown: Qt's raster painter fills on threads of its own
  // pool, whose uninstrumented atomics ThreadSanitizer reports as races.
  // Reading every cell reads what a paint would.
  Attach(m_Table);

  // The display reads every cell all the time, while the controller
  // registers, starts, stops and ends threads. It refreshes (rows come and
  // go) when the controller asks, at points where no thread is about to end:
  // the tester compares the name of the row before an insertion before and
  // after it, and a thread ending in between turns that name into "ERROR"
  // without any signal, which is how the list is meant to work.
  std::atomic<int> refreshesAsked{0};
  std::atomic<int> refreshesDone{0};
  std::atomic<bool> done{false};
  auto refreshNow = [&] {
    const int asked = refreshesAsked.fetch_add(1) + 1;
    return WaitUntil([&] { return refreshesDone.load() >= asked; });
  };
  std::thread controller([&] {
    for (int round = 1; round <= 20; ++round) {
      m_Manager.AddThread("Quitter", quitter.Func(), false);
      m_Manager.AddThread("Busy", busy.Func(), false);
      m_Manager.AddThread("Idle", idle.Func(), false);
      EXPECT_TRUE(refreshNow());
      m_Manager.StartAll();
      EXPECT_TRUE(WaitUntil([&] { return quitter.Calls() == round && m_Manager.GetThread(0) == nullptr; }));
      EXPECT_TRUE(refreshNow());
      if (round % 2 == 0) m_Manager.StopAll();
      m_Manager.AddThread("Late", idle.Func(), false);
      EXPECT_TRUE(refreshNow());
      m_Manager.ExitAll();
      EXPECT_TRUE(refreshNow());
    }
    done.store(true);
  });

  int reads = 0;
  while (!done.load()) {
    const int asked = refreshesAsked.load();
    if (asked > refreshesDone.load()) {
      m_View.RefreshListView();
      refreshesDone.store(asked);
    }
    for (int row = 0; row < Rows(); ++row) test::Row(m_Table, row);
    QCoreApplication::processEvents();
    ++reads;
  }
  controller.join();
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(refreshesDone.load(), 80);
  EXPECT_EQ(quitter.Calls(), 20);
  EXPECT_GT(reads, 80);
}

}  // namespace
}  // namespace maplink
