#pragma once

#include <maplink/ThreadFunc.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "threads/SingleThread.h"
#include "threads/ThreadContext.h"

namespace maplink {

// The thread manager's record of one registration. It owns its thread
// object for the record's whole life; GetThread answers it only until the
// thread's run loop ends normally (the exit notification clears m_Thread),
// so the manager skips ended threads while the object itself is still
// joined and released with the record.
//
// Threads: created, used and destroyed by the controlling thread; the
// worker clears m_Thread from its exit notification; any thread may read
// GetThread.
class UserThread {
 public:
  UserThread() = default;
  // Destroying the thread object ends its body first (terminate, resume, wait).
  ~UserThread() = default;
  UserThread(const UserThread&) = delete;
  UserThread& operator=(const UserThread&) = delete;

  // Creates the suspended SingleThread (its event comes from
  // context.Manager) and points its exit notification at this record.
  void CreateThread(const std::string& name, ThreadFunc func, bool coInit, const ThreadContext& context);

  // The thread, or null once its run loop has ended normally.
  SingleThread* GetThread() const { return m_Thread.load(std::memory_order_acquire); }

  // Requests termination of the thread, resumes it and waits until its body
  // has ended. At once when it has ended already.
  void EndThread();

 private:
  static void OnThreadExit(void* record, int32_t threadIndex);

  std::atomic<SingleThread*> m_Thread{nullptr};
  // Owns what m_Thread points to, and keeps it after m_Thread is cleared.
  std::unique_ptr<SingleThread> m_OwnedThread;
};

}  // namespace maplink
