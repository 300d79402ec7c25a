#pragma once

#include <mutex>

#include "platform/ThreadAnnotations.h"

namespace maplink::platform {

// A re-entrant lock: the thread that holds it may enter again, and every
// entry needs its own leave. Meets the standard Lockable requirements, so
// std::lock_guard and std::unique_lock work with it.
class CAPABILITY("mutex") CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void lock() ACQUIRE() { m_Mutex.lock(); }
  void unlock() RELEASE() { m_Mutex.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_Mutex.try_lock(); }

 private:
  std::recursive_mutex m_Mutex;
};

}  // namespace maplink::platform
