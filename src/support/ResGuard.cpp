#include "support/ResGuard.h"

namespace SingletonEx {

void CResGuard::Enter() {
  m_Lock.lock();
  m_LockCount.fetch_add(1, std::memory_order_relaxed);
}

void CResGuard::Leave() {
  m_LockCount.fetch_sub(1, std::memory_order_relaxed);
  m_Lock.unlock();
}

}  // namespace SingletonEx
