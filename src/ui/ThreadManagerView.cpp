#include "ui/ThreadManagerView.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QThread>
#include <QTreeView>

#include "support/LogBinding.h"
#include "support/ResGuard.h"

namespace maplink {

namespace {

// The column header of view, for the views that have one.
QHeaderView* ColumnHeader(QAbstractItemView& view) {
  if (auto* table = qobject_cast<QTableView*>(&view)) return table->horizontalHeader();
  if (auto* tree = qobject_cast<QTreeView*>(&view)) return tree->header();
  return nullptr;
}

// Makes view a list of threads showing model.
void SetUpView(QAbstractItemView& view, ThreadListModel& model) {
  view.setModel(&model);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  if (auto* table = qobject_cast<QTableView*>(&view)) {
    table->setShowGrid(true);
    table->verticalHeader()->hide();
  }
  if (auto* tree = qobject_cast<QTreeView*>(&view)) tree->setRootIsDecorated(false);
  if (QHeaderView* header = ColumnHeader(view)) {
    header->setStretchLastSection(false);
    for (int column = 0; column < ThreadListModel::kColumnCount; ++column) {
      header->resizeSection(column, ThreadListModel::kColumnWidth);
    }
  }
}

}  // namespace

ThreadManagerView::ThreadManagerView() : ThreadManagerView(GetThreadManager()) {}

ThreadManagerView::ThreadManagerView(const ThreadManager& manager) : m_Manager(manager) {}

void ThreadManagerView::SetListView(QAbstractItemView* view) {
  if (!MayUseQt("SetListView")) return;
  Detach();
  if (view == nullptr) return;
  m_Model = std::make_unique<ThreadListModel>(m_Manager);
  m_ListView = view;
  SetUpView(*view, *m_Model);
}

void ThreadManagerView::RefreshListView() {
  if (!MayUseQt("RefreshListView")) return;
  if (m_ListView.isNull() || m_Model == nullptr) return;
  m_Model->Refresh();
}

bool ThreadManagerView::MayUseQt(const char* operation) {
  const QCoreApplication* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (application == nullptr) {
    GetLogger()->LogWarn("%s: no QApplication in this process, the thread list view is left alone",
                         operation);
    return false;
  }
  if (QThread::currentThread() != application->thread()) {
    GetLogger()->LogWarn("%s: called off the QApplication's thread, the thread list view is left alone",
                         operation);
    return false;
  }
  return true;
}

void ThreadManagerView::Detach() {
  // A view the host has already destroyed is simply forgotten, and one that
  // shows a model of the host's own by now keeps it.
  if (!m_ListView.isNull() && m_ListView->model() == m_Model.get()) m_ListView->setModel(nullptr);
  m_ListView.clear();
  m_Model.reset();
}

ThreadManagerView& GetThreadManagerView() {
  return *SingletonEx::LazyInstance<ThreadManagerView>::Instance();
}

}  // namespace maplink
