#pragma once

// A thread manager of the test's own, shown by a ThreadManagerView in a
// QTableView on the display (main) thread, with Qt's model tester watching
// every model the view is given.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTableView>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "QtTestSupport.h"
#include "threads/ThreadManager.h"
#include "ui/ThreadListModel.h"
#include "ui/ThreadManagerView.h"

namespace maplink::test {

inline std::string Text(const QVariant& value) { return value.toString().toStdString(); }

// The five cells of one row of view.
inline std::vector<std::string> Row(const QAbstractItemView& view, int row) {
  std::vector<std::string> cells;
  for (int column = 0; column < ThreadListModel::kColumnCount; ++column) {
    cells.push_back(Text(view.model()->index(row, column).data()));
  }
  return cells;
}

class ThreadListViewFixture : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_THAT(m_Faults.Faults(), ::testing::IsEmpty()); }

  // Attaches view and puts the model tester on the model it was given.
  void Attach(QAbstractItemView& view) {
    m_View.SetListView(&view);
    ASSERT_NE(view.model(), nullptr);
    m_Testers.push_back(std::make_unique<QAbstractItemModelTester>(
        view.model(), QAbstractItemModelTester::FailureReportingMode::Warning));
  }
  void AddIdleThreads(const std::vector<std::string>& names) {
    for (const std::string& name : names) m_Manager.AddThread(name, ThreadFunc{}, false);
  }
  int Rows() const { return m_Table.model()->rowCount(); }
  std::vector<std::string> TableRow(int row) const { return Row(m_Table, row); }

  LogCapture m_Capture;
  ModelTestFaults m_Faults;
  ThreadManager m_Manager;
  ThreadManagerView m_View{m_Manager};
  QTableView m_Table;
  std::vector<std::unique_ptr<QAbstractItemModelTester>> m_Testers;
};

}  // namespace maplink::test
