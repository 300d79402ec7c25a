#pragma once

#include <maplink/ThreadFunc.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/CriticalSection.h"
#include "support/AList.h"
#include "support/TLockObj.h"
#include "threads/KestThreadEvent.h"
#include "threads/SingleThread.h"
#include "threads/UserThread.h"

namespace maplink {

// Registers named worker threads, starts, stops and ends them all together,
// logging each step, and owns the event of every thread made with it.
//
// Threads: AddThread, StartAll, StopAll and ExitAll are called by one
// controlling thread at a time, never by a managed thread (StopAll or
// ExitAll there would wait for itself); StopAll and ExitAll block until
// every thread has acknowledged or ended. IsStarted, GetThreadCount,
// GetThread and ReadThread may be called from any thread.
//
// The lists change only under AddThread, CreateEvent and ExitAll, under
// m_ListLock. A thread object stays alive until ExitAll drops the records
// (or the manager is destroyed), also after its loop has ended. So the
// pointer GetThread returns is safe for the controlling thread until its
// own next ExitAll; any other thread (the display) uses a thread object
// only inside ReadThread, which holds the list still for the span of the
// call. CreateEvent's events live as long as the manager.
class ThreadManager {
 public:
  ThreadManager() = default;
  // Ends every thread still running (terminate, resume, wait), without
  // logging, before the records and events go: no thread outlives the
  // code it runs.
  ~ThreadManager();
  ThreadManager(const ThreadManager&) = delete;
  ThreadManager& operator=(const ThreadManager&) = delete;

  // Registers a thread, created suspended, with the index GetThreadCount()
  // had before. It runs from the next StartAll (or StopAll).
  void AddThread(const std::string& name, ThreadFunc threadFunc, bool coInit);
  // Clears each thread's stop request and resumes it; answers the count.
  int32_t StartAll();
  // Parks every thread, one after another, each acknowledging first.
  void StopAll();
  // Ends every thread, waits for each, then drops all records; the count
  // is 0 afterwards and new registrations count from 0 again.
  void ExitAll();
  bool IsStarted() const { return m_Started.load(); }

  // Records, ended threads included.
  int32_t GetThreadCount() const;
  // The thread at that position; null outside the list or when its run
  // loop has ended. See the class comment for how long it stays valid.
  SingleThread* GetThread(int32_t index) const;
  // Calls read(thread) with what GetThread(index) answers, while ExitAll
  // cannot drop the records, and returns what read returns. Keep read
  // short and call no operation of the controlling thread from it.
  template <typename Read>
  decltype(auto) ReadThread(int32_t index, Read read) const {
    TLockObj lock(m_ListLock);
    return read(static_cast<const SingleThread*>(ThreadAt(index)));
  }

  // A new event, manual reset, initially clear, waiting enabled, not
  // marked as a thread's; the manager owns it until it is destroyed.
  KestThreadEvent* CreateEvent();

 private:
  SingleThread* ThreadAt(int32_t index) const REQUIRES(m_ListLock);
  // The record at that position, for the controlling thread: it stays
  // valid until that thread's own next ExitAll.
  UserThread* RecordAt(int32_t index) const;
  // Sets every event not marked as a thread's and disables its waiting, so
  // whoever waits on one is released and later waits return at once.
  void ReleaseForeignEvents();

  // Re-entrant: ReadThread holds it while read() may call GetThread.
  // Lock order: taken before a thread's or an event's own lock (ExitAll's
  // Clear ends thread objects, ReleaseForeignEvents sets events), never
  // while one of those is held.
  mutable platform::CriticalSection m_ListLock;
  AList<UserThread> m_Threads GUARDED_BY(m_ListLock){true, 10};
  AList<KestThreadEvent> m_Events GUARDED_BY(m_ListLock){true, 10};
  std::atomic<bool> m_Started{false};
};

// The module's single thread manager: a static object, created on the
// first call and destroyed when the module is unloaded.
ThreadManager& GetThreadManager();

}  // namespace maplink
