#pragma once

#include <mutex>

#include "platform/ThreadAnnotations.h"

namespace maplink::platform {

// A re-entrant lock: the thread that holds it may enter again, and every
// entry needs its own leave. Meets the standard Lockable requirements, so
// std::lock_guard and std::unique_lock work with it.
//
// Like a critical section with a spin count, a thread that finds it held
// tries again a few times before it sleeps: the module holds its locks for a
// handful of instructions, and a sleep and wake-up costs two system calls.
class CAPABILITY("mutex") CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void lock() ACQUIRE() {
    for (int attempt = 0; attempt < kSpinAttempts; ++attempt) {
      if (m_Mutex.try_lock()) return;
      PauseWhileSpinning();
    }
    m_Mutex.lock();
  }
  void unlock() RELEASE() { m_Mutex.unlock(); }
  bool try_lock() TRY_ACQUIRE(true) { return m_Mutex.try_lock(); }

 private:
  static constexpr int kSpinAttempts = 10;

  static void PauseWhileSpinning() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }

  std::recursive_mutex m_Mutex;
};

}  // namespace maplink::platform
