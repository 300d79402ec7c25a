#pragma once

#include <QAbstractItemView>
#include <QPointer>
#include <memory>

#include "threads/ThreadManager.h"
#include "ui/ThreadListModel.h"

namespace maplink {

// Shows the threads of a thread manager in a host's item view: SetListView
// gives the view a ThreadListModel and sets it up as a list of threads,
// RefreshListView brings its rows up to date. The view is the host's and
// is never owned; if the host destroys it, the view is forgotten.
//
// Threads: only the thread that runs the process's QApplication (the
// display thread) calls SetListView and RefreshListView, and every Qt call
// happens there. Without a QApplication, or from any other thread, each
// call logs one warning and does nothing else.
class ThreadManagerView {
 public:
  // The module's view, over the module's thread manager.
  ThreadManagerView();
  // manager must outlive the view.
  explicit ThreadManagerView(const ThreadManager& manager);
  ThreadManagerView(const ThreadManagerView&) = delete;
  ThreadManagerView& operator=(const ThreadManagerView&) = delete;

  // Takes the model off the view shown so far, then, unless view is null,
  // gives view a new model (no rows until the next refresh): five columns
  // 100 pixels wide, read-only, whole-row selection, grid lines.
  void SetListView(QAbstractItemView* view);
  // Sets the row count to the manager's thread count and repaints the rows.
  void RefreshListView();

 private:
  // Warns (naming the operation) and answers false when Qt must not be
  // touched from here: no QApplication, or not its thread.
  static bool MayUseQt(const char* operation);
  void Detach();

  const ThreadManager& m_Manager;
  QPointer<QAbstractItemView> m_ListView;
  // Shown by m_ListView; made on the display thread by SetListView.
  std::unique_ptr<ThreadListModel> m_Model;
};

// The module's single view, created on the first call (without a list
// view) and never destroyed.
ThreadManagerView& GetThreadManagerView();

}  // namespace maplink
