#pragma once

#include <shared_mutex>

#include "platform/ThreadAnnotations.h"

namespace maplink::platform {

// A lock that many readers may hold at once, or one writer alone. Not
// re-entrant: a thread that holds it in either mode must not take it again.
class CAPABILITY("mutex") ReadWriteLock {
 public:
  ReadWriteLock() = default;
  ReadWriteLock(const ReadWriteLock&) = delete;
  ReadWriteLock& operator=(const ReadWriteLock&) = delete;

  void lock() ACQUIRE() { m_Mutex.lock(); }
  void unlock() RELEASE() { m_Mutex.unlock(); }
  void lock_shared() ACQUIRE_SHARED() { m_Mutex.lock_shared(); }
  void unlock_shared() RELEASE_SHARED() { m_Mutex.unlock_shared(); }

  // Holds the lock as a reader for the span of its own life.
  class SCOPED_CAPABILITY ReadGuard {
   public:
    [[nodiscard]] explicit ReadGuard(ReadWriteLock& lock) ACQUIRE_SHARED(lock) : m_Lock(lock) {
      m_Lock.lock_shared();
    }
    ~ReadGuard() RELEASE() { m_Lock.unlock_shared(); }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

   private:
    ReadWriteLock& m_Lock;
  };

  // Holds the lock as the writer for the span of its own life.
  class SCOPED_CAPABILITY WriteGuard {
   public:
    [[nodiscard]] explicit WriteGuard(ReadWriteLock& lock) ACQUIRE(lock) : m_Lock(lock) { m_Lock.lock(); }
    ~WriteGuard() RELEASE() { m_Lock.unlock(); }
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;

   private:
    ReadWriteLock& m_Lock;
  };

 private:
  std::shared_mutex m_Mutex;
};

}  // namespace maplink::platform
