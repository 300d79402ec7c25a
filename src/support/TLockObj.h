#pragma once

#include "platform/CriticalSection.h"

namespace maplink {

// Holds a critical section that belongs to someone else for the span of its
// own life; the span ends on every way out of the block, exceptions included.
class SCOPED_CAPABILITY TLockObj {
 public:
  [[nodiscard]] explicit TLockObj(platform::CriticalSection& lock) ACQUIRE(lock) : m_Lock(lock) { m_Lock.lock(); }
  ~TLockObj() RELEASE() { m_Lock.unlock(); }
  TLockObj(const TLockObj&) = delete;
  TLockObj& operator=(const TLockObj&) = delete;

 private:
  platform::CriticalSection& m_Lock;
};

}  // namespace maplink
