#pragma once

#include <QAbstractTableModel>
#include <QVariant>

#include "threads/KestThread.h"
#include "threads/ThreadManager.h"

namespace maplink {

// The rows of the thread list view: one per registration of a thread
// manager, with the columns "Thread Name", "Thread ID", "CPU Useage",
// "Kernel CPU Useage" and "Thread State". The model stores no cells: each
// one is read from the manager when a view asks for it, inside
// ThreadManager::ReadThread. A row whose thread has ended, or that lies
// beyond the manager's count, reads "ERROR" in its first cell and nothing
// in the others.
//
// The row count is the manager's thread count at the last Refresh; it
// changes by rows inserted or removed at the end, never by a reset, so a
// view keeps its scroll position and its selection.
//
// Threads: a Qt object of the display thread, which alone calls it; the
// workers change the figures it reads without touching it.
class ThreadListModel final : public QAbstractTableModel {
 public:
  enum Column { kNameColumn, kIdColumn, kCpuColumn, kKernelCpuColumn, kStateColumn, kColumnCount };
  static constexpr int kColumnWidth = 100;

  // manager must outlive the model.
  explicit ThreadListModel(const ThreadManager& manager);
  ThreadListModel(const ThreadListModel&) = delete;
  ThreadListModel& operator=(const ThreadListModel&) = delete;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Brings the row count to the manager's thread count and tells the views
  // that every cell may have changed, so they repaint the rows they show.
  void Refresh();

  // The text of one cell of thread's row; for a null thread "ERROR" in the
  // name column and nothing in the others.
  static QVariant CellText(const KestThread* thread, int column);

 private:
  void SetRowCount(int rowCount);

  const ThreadManager& m_Manager;
  int m_RowCount = 0;
};

}  // namespace maplink
