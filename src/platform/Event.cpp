#include "platform/Event.h"

#include <chrono>

namespace maplink::platform {

void Event::SetEvent() {
  {
    MutexLock lock(m_Mutex);
    m_Signaled = true;
  }
  m_Changed.notify_all();
}

void Event::ResetEvent() {
  MutexLock lock(m_Mutex);
  m_Signaled = false;
}

WaitResult Event::WaitFor(uint32_t timeoutMs) {
  MutexLock lock(m_Mutex);
  if (timeoutMs == kInfinite) {
    while (!m_Signaled) m_Changed.wait(m_Mutex);
    return WaitResult::Signaled;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!m_Signaled) {
    if (m_Changed.wait_until(m_Mutex, deadline) == std::cv_status::timeout) {
      return m_Signaled ? WaitResult::Signaled : WaitResult::Timeout;
    }
  }
  return WaitResult::Signaled;
}

}  // namespace maplink::platform
