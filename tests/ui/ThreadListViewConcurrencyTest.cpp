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

  std::atomic<int> refreshes{0};
  std::atomic<bool> done{false};
  // After each change, the controller waits until the display has refreshed
  // twice, so every change reaches the view.
  auto waitForTheDisplay = [&refreshes] {
    const int seen = refreshes.load();
    return WaitUntil([&] { return refreshes.load() >= seen + 2; });
  };
  std::thread controller([&] {
    for (int round = 0; round < 20; ++round) {
      m_Manager.AddThread("Quitter", quitter.Func(), false);
      m_Manager.AddThread("Busy", busy.Func(), false);
      m_Manager.AddThread("Idle", idle.Func(), false);
      m_Manager.StartAll();
      waitForTheDisplay();
      if (round % 2 == 0) m_Manager.StopAll();
      m_Manager.AddThread("Late", idle.Func(), false);
      waitForTheDisplay();
      m_Manager.ExitAll();
      waitForTheDisplay();
    }
    done.store(true);
  });

  while (!done.load()) {
    m_View.RefreshListView();
    for (int row = 0; row < Rows(); ++row) test::Row(m_Table, row);
    QCoreApplication::processEvents();
    refreshes.fetch_add(1);
  }
  controller.join();
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 0);
  EXPECT_GT(quitter.Calls(), 0);
}

}  // namespace
}  // namespace maplink
