#pragma once

#include <atomic>
#include <cstdint>

#include "platform/CriticalSection.h"

namespace SingletonEx {

// The lock that guards the creation of a lazily created single instance.
// Re-entrant; m_LockCount counts entries not yet left.
class CAPABILITY("mutex") CResGuard {
 public:
  CResGuard() = default;
  virtual ~CResGuard() = default;
  CResGuard(const CResGuard&) = delete;
  CResGuard& operator=(const CResGuard&) = delete;

  void Enter() ACQUIRE();
  void Leave() RELEASE();
  int32_t GetLockCount() const { return m_LockCount.load(std::memory_order_relaxed); }

  // Holds a CResGuard for the span of its own life.
  class SCOPED_CAPABILITY CGuard {
   public:
    [[nodiscard]] explicit CGuard(CResGuard& guard) ACQUIRE(guard) : m_Guard(guard) { m_Guard.Enter(); }
    ~CGuard() RELEASE() { m_Guard.Leave(); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

   private:
    CResGuard& m_Guard;
  };

 private:
  maplink::platform::CriticalSection m_Lock;
  // Changed only by the holder of m_Lock; atomic so GetLockCount may read it anywhere.
  std::atomic<int32_t> m_LockCount{0};
};

// One lazily created, never destroyed instance of T, created on the first
// call of Instance() with a test on each side of the guard: later calls
// return the instance without taking the lock.
template <typename T>
class LazyInstance {
 public:
  static T* Instance() {
    T* instance = s_Instance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    CResGuard::CGuard guard(s_Guard);
    instance = s_Instance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
      instance = new T();  // never destroyed: it lives until the process ends
      s_Instance.store(instance, std::memory_order_release);
    }
    return instance;
  }

 private:
  static inline CResGuard s_Guard;
  static inline std::atomic<T*> s_Instance{nullptr};
};

}  // namespace SingletonEx
