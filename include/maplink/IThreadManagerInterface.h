#pragma once

// The module's thread manager as the host drives it: register worker threads
// of its own beside the link's two ("SendToGameServer", "RecvFromGameServer"),
// start, stop and end them all together, and show them in a list view.
//
// Ownership: GetThreadManagerInterface returns the module's single instance,
// created on the first call and alive until the process ends; nothing
// releases it. A registered ThreadFunc's object must stay valid until
// ExitAll has returned (see ThreadFunc.h).
//
// Threads:
// - AddThread, StartAll, StopAll and ExitAll: one controlling host thread at
//   a time, never a thread of the manager (StopAll and ExitAll block until
//   every thread has acknowledged or ended, and would wait for themselves).
//   GetThreadCount and IsStarted: any thread.
// - SetListView and RefreshListView: the thread that runs the host's
//   QApplication (its display thread) only. Every Qt call happens there; the
//   worker threads never touch Qt. Without a QApplication in the process, or
//   from another thread, they log a warning and do nothing else, so a server
//   host without a display may call them safely. The header only declares
//   QAbstractItemView: a host without Qt compiles against it unchanged.
// - The first call of GetThreadManagerInterface is made from one thread.
//
// The order of the operations of IThreadManagerInterface is part of the
// binary interface and never changes.

#include <cstdint>

#include "maplink/Export.h"
#include "maplink/ThreadFunc.h"

class QAbstractItemView;

class IThreadManagerInterface {
 public:
  // Registers a thread named name (zero-terminated), created suspended: it
  // runs from the next StartAll. Its index is the thread count before the
  // call. A null name registers the thread without a name, with a warning.
  virtual void AddThread(const char* name, ThreadFunc threadFunc, bool coInit) = 0;
  // Registrations since the last ExitAll, ended threads included.
  virtual int32_t GetThreadCount() const = 0;
  // Starts (or resumes) every thread; answers the thread count.
  virtual int32_t StartAll() = 0;
  // Parks every thread, each acknowledging first.
  virtual void StopAll() = 0;
  // Ends every thread, waits for each, then drops all registrations.
  virtual void ExitAll() = 0;
  // True from StartAll until the next StopAll or ExitAll.
  virtual bool IsStarted() const = 0;

  // Shows the threads in listView: five columns "Thread Name", "Thread ID",
  // "CPU Useage", "Kernel CPU Useage", "Thread State", each 100 pixels wide,
  // read-only, whole-row selection, grid lines in a QTableView. The rows
  // appear at the next RefreshListView. Null detaches the view shown so far
  // (its model is taken off it). The view is not owned; it may be destroyed
  // at any time, after which the module simply forgets it.
  virtual void SetListView(QAbstractItemView* listView) = 0;
  // Sets the number of rows to the current thread count (rows are added or
  // removed at the end: no reset, no scroll, the selection stays) and
  // repaints them with current figures. A thread that has ended reads
  // "ERROR". Does nothing without a view.
  virtual void RefreshListView() = 0;

 protected:
  ~IThreadManagerInterface() = default;
};

extern "C" {
// The module's single thread-manager interface; never null.
MAPLINK_EXPORT IThreadManagerInterface* GetThreadManagerInterface();
}
