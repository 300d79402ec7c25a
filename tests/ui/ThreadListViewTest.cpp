// The thread list view over threads that are registered but never started:
// how SetListView sets a view up, what each cell reads, how a refresh
// changes the rows without disturbing the view, and how views are detached,
// replaced and forgotten.

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QTreeView>
#include <thread>

#include "ThreadListViewFixture.h"
#include "common/ManualClock.h"
#include "threads/ThreadTestSupport.h"
#include "ui/ThreadManagerInterface.h"

namespace maplink {
namespace {

using test::LogLevel;
using test::Row;
using test::Text;
using ::testing::ElementsAre;

class ThreadListViewTest : public test::ThreadListViewFixture {};

std::vector<int> SelectedRows(const QAbstractItemView& view) {
  std::vector<int> rows;
  for (const QModelIndex& index : view.selectionModel()->selectedRows()) rows.push_back(index.row());
  return rows;
}

std::vector<int> ColumnWidths(const QHeaderView& header) {
  std::vector<int> widths;
  for (int column = 0; column < header.count(); ++column) widths.push_back(header.sectionSize(column));
  return widths;
}

TEST_F(ThreadListViewTest, SetListViewMakesTheViewAReadOnlyListOfThreads) {
  AddIdleThreads({"SendToGameServer", "RecvFromGameServer"});
  Attach(m_Table);
  const QAbstractItemModel& model = *m_Table.model();
  EXPECT_EQ(model.rowCount(), 0) << "the rows come with the first refresh";
  std::vector<std::string> captions;
  for (int column = 0; column < model.columnCount(); ++column) {
    captions.push_back(Text(model.headerData(column, Qt::Horizontal)));
  }
  EXPECT_THAT(captions,
              ElementsAre("Thread Name", "Thread ID", "CPU Useage", "Kernel CPU Useage", "Thread State"));
  EXPECT_THAT(ColumnWidths(*m_Table.horizontalHeader()), ElementsAre(100, 100, 100, 100, 100));
  EXPECT_TRUE(m_Table.showGrid());
  EXPECT_EQ(m_Table.editTriggers(), QAbstractItemView::NoEditTriggers);

  m_View.RefreshListView();
  ASSERT_EQ(Rows(), 2);
  const QModelIndex cell = model.index(0, ThreadListModel::kNameColumn);
  EXPECT_FALSE(model.flags(cell) & Qt::ItemIsEditable);
  EXPECT_FALSE(m_Table.model()->setData(cell, QStringLiteral("renamed")));

  // A click on one cell selects its whole row.
  m_Table.resize(600, 200);
  m_Table.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_Table));
  const QModelIndex clicked = model.index(1, ThreadListModel::kCpuColumn);
  QTest::mouseClick(m_Table.viewport(), Qt::LeftButton, {}, m_Table.visualRect(clicked).center());
  EXPECT_THAT(SelectedRows(m_Table), ElementsAre(1));
  EXPECT_TRUE(m_Table.selectionModel()->isRowSelected(1, QModelIndex()));
}

TEST_F(ThreadListViewTest, EachRowReadsItsThreadFromTheManager) {
  AddIdleThreads({"SendToGameServer", "RecvFromGameServer"});
  Attach(m_Table);
  m_View.RefreshListView();
  ASSERT_EQ(Rows(), 2);
  const std::vector<std::string> names{"SendToGameServer", "RecvFromGameServer"};
  for (int row = 0; row < 2; ++row) {
    const uint32_t id = m_Manager.GetThread(row)->GetThreadId();
    EXPECT_NE(id, 0u);
    EXPECT_THAT(TableRow(row), ElementsAre(names[row], std::to_string(id), "0", "0", "Suspended"));
  }
}

TEST_F(ThreadListViewTest, CellsOfKnownFiguresAndOfAMissingThread) {
  test::ManualClock clock{5000};
  test::FakeCpuTimes cpu;
  test::RecordingSleeper sleeper;
  SingleThread thread("Probe", false, ThreadFunc{}, ThreadContext{m_Manager, clock, cpu, sleeper});
  // A baseline, then a period in which the process used 1000 units, the
  // thread 120 in the kernel and 250 in user mode.
  cpu.Set({.Kernel = 1000, .User = 3000}, {.Kernel = 100, .User = 100});
  thread.UpdateCpuUsage();
  clock.Advance(1000);
  cpu.Set({.Kernel = 1200, .User = 3800}, {.Kernel = 220, .User = 350});
  thread.UpdateCpuUsage();

  std::vector<std::string> cells;
  std::vector<bool> missingHasCell;
  for (int column = 0; column < ThreadListModel::kColumnCount; ++column) {
    cells.push_back(Text(ThreadListModel::CellText(&thread, column)));
    missingHasCell.push_back(ThreadListModel::CellText(nullptr, column).isValid());
  }
  EXPECT_THAT(cells, ElementsAre("Probe", std::to_string(thread.GetThreadId()), "37", "12", "Suspended"));
  EXPECT_EQ(Text(ThreadListModel::CellText(nullptr, ThreadListModel::kNameColumn)), "ERROR");
  EXPECT_THAT(missingHasCell, ElementsAre(true, false, false, false, false));
}

TEST_F(ThreadListViewTest, RowsOfEndedRegistrationsReadErrorUntilTheNextRefresh) {
  AddIdleThreads({"SendToGameServer", "RecvFromGameServer"});
  Attach(m_Table);
  m_View.RefreshListView();
  m_Manager.ExitAll();
  ASSERT_EQ(Rows(), 2);
  EXPECT_THAT(TableRow(0), ElementsAre("ERROR", "", "", "", ""));
  EXPECT_THAT(TableRow(1), ElementsAre("ERROR", "", "", "", ""));
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ThreadListViewTest, RefreshAddsAndRemovesRowsWithoutMovingTheView) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) names.push_back("Worker" + std::to_string(i));
  AddIdleThreads(names);
  m_Table.resize(600, 200);
  m_Table.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_Table));
  Attach(m_Table);
  m_View.RefreshListView();
  QCoreApplication::processEvents();  // the view lays the new rows out
  ASSERT_EQ(Rows(), 40);

  const QAbstractItemModel& model = *m_Table.model();
  QSignalSpy resets(&model, &QAbstractItemModel::modelAboutToBeReset);
  QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
  m_Table.scrollTo(model.index(20, 0), QAbstractItemView::PositionAtTop);
  const int scrolled = m_Table.verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  m_Table.selectRow(22);

  AddIdleThreads({"Late0", "Late1", "Late2"});
  m_View.RefreshListView();
  QCoreApplication::processEvents();
  EXPECT_EQ(Rows(), 43);
  EXPECT_EQ(m_Table.verticalScrollBar()->value(), scrolled);
  EXPECT_THAT(SelectedRows(m_Table), ElementsAre(22));
  EXPECT_EQ(m_Table.currentIndex().row(), 22);
  EXPECT_EQ(Row(m_Table, 42)[0], "Late2");

  m_Manager.ExitAll();
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(removals.count(), 1);
  EXPECT_EQ(resets.count(), 0);
}

// Counts the paint events of the widget it watches.
class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
  int Count() const { return m_Count; }
  // Lets the pending paints happen: events until a pass paints nothing.
  void Settle() {
    for (int pass = 0; pass < 20; ++pass) {
      const int before = m_Count;
      QCoreApplication::processEvents();
      if (m_Count == before) return;
    }
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++m_Count;
    return false;
  }

 private:
  int m_Count = 0;
};

TEST_F(ThreadListViewTest, RefreshRepaintsTheRowsShownEvenWhenTheCountStays) {
  AddIdleThreads({"SendToGameServer", "RecvFromGameServer"});
  m_Table.resize(600, 200);
  m_Table.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_Table));
  Attach(m_Table);
  m_View.RefreshListView();
  PaintCounter paints(*m_Table.viewport());
  paints.Settle();
  const int before = paints.Count();
  m_View.RefreshListView();
  paints.Settle();
  EXPECT_GT(paints.Count(), before);
}

TEST_F(ThreadListViewTest, NullDetachesTheViewAndLaterRefreshesDoNothing) {
  AddIdleThreads({"SendToGameServer"});
  Attach(m_Table);
  m_View.RefreshListView();
  m_View.SetListView(nullptr);
  EXPECT_EQ(m_Table.model(), nullptr) << "the model is taken off the view";
  m_View.RefreshListView();
  EXPECT_EQ(m_Table.model(), nullptr);
  EXPECT_TRUE(m_Capture.Texts(LogLevel::Warn).empty());
}

TEST_F(ThreadListViewTest, AnotherViewTakesOverAndIsSetUpAfresh) {
  AddIdleThreads({"SendToGameServer", "RecvFromGameServer"});
  Attach(m_Table);
  m_View.RefreshListView();
  QTreeView tree;
  Attach(tree);
  EXPECT_EQ(m_Table.model(), nullptr);
  EXPECT_EQ(tree.model()->rowCount(), 0);
  EXPECT_THAT(ColumnWidths(*tree.header()), ElementsAre(100, 100, 100, 100, 100));
  EXPECT_EQ(tree.selectionBehavior(), QAbstractItemView::SelectRows);
  m_View.RefreshListView();
  ASSERT_EQ(tree.model()->rowCount(), 2);
  EXPECT_EQ(Row(tree, 1)[0], "RecvFromGameServer");
}

TEST_F(ThreadListViewTest, AViewTheHostDestroyedIsForgotten) {
  AddIdleThreads({"SendToGameServer"});
  auto table = std::make_unique<QTableView>();
  Attach(*table);
  m_View.RefreshListView();
  table.reset();
  m_View.RefreshListView();
  m_View.SetListView(nullptr);
  Attach(m_Table);
  m_View.RefreshListView();
  EXPECT_EQ(Rows(), 1);
}

TEST_F(ThreadListViewTest, AModelTheHostSetsLaterStaysOnDetach) {
  Attach(m_Table);
  QStringListModel hostModel;
  m_Table.setModel(&hostModel);
  m_View.SetListView(nullptr);
  EXPECT_EQ(m_Table.model(), &hostModel);
  m_Table.setModel(nullptr);
}

TEST_F(ThreadListViewTest, CallsOffTheDisplayThreadWarnAndTouchNothing) {
  AddIdleThreads({"SendToGameServer"});
  Attach(m_Table);
  const QAbstractItemModel* model = m_Table.model();
  std::thread other([this] {
    m_View.SetListView(nullptr);
    m_View.RefreshListView();
  });
  other.join();
  EXPECT_EQ(m_Table.model(), model);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(m_Capture.Count(LogLevel::Warn, "SetListView: called off the QApplication's thread"), 1);
  EXPECT_EQ(m_Capture.Count(LogLevel::Warn, "RefreshListView: called off the QApplication's thread"), 1);
}

// The module's own interface hands the name and the flag on to the module's
// thread manager; a null name registers the thread without a name.
TEST(ThreadManagerInterfaceTest, AddThreadPassesTheNameAndTheFlagOn) {
  test::LogCapture capture;
  IThreadManagerInterface* threads = GetThreadManagerInterface();
  threads->AddThread("WithComponents", ThreadFunc{}, true);
  threads->AddThread("WithoutComponents", ThreadFunc{}, false);
  threads->AddThread(nullptr, ThreadFunc{}, false);
  ASSERT_EQ(threads->GetThreadCount(), 3);
  const ThreadManager& manager = GetThreadManager();
  EXPECT_EQ(manager.GetThread(0)->GetName(), "WithComponents");
  EXPECT_TRUE(manager.GetThread(0)->GetCoInit());
  EXPECT_FALSE(manager.GetThread(1)->GetCoInit());
  EXPECT_EQ(manager.GetThread(2)->GetName(), "");
  EXPECT_EQ(capture.Count(LogLevel::Warn, "AddThread: no name given"), 1);
  threads->ExitAll();
  EXPECT_EQ(threads->GetThreadCount(), 0);
}

}  // namespace
}  // namespace maplink
