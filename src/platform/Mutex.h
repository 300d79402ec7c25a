#pragma once

#include <mutex>

#include "platform/ThreadAnnotations.h"

namespace maplink::platform {

// A plain (not re-entrant) lock that clang's thread-safety analysis can
// follow. It meets the BasicLockable requirements, so a
// std::condition_variable_any waits on it directly; write such waits as
// "while (!condition) cv.wait(mutex);" so the analysis sees the condition
// read under the lock.
class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() ACQUIRE() { m_Mutex.lock(); }
  void unlock() RELEASE() { m_Mutex.unlock(); }

 private:
  std::mutex m_Mutex;
};

// Holds a Mutex for the span of its own life.
class SCOPED_CAPABILITY MutexLock {
 public:
  [[nodiscard]] explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : m_Mutex(mutex) { m_Mutex.lock(); }
  ~MutexLock() RELEASE() { m_Mutex.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& m_Mutex;
};

}  // namespace maplink::platform
