#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Event.h"

namespace maplink {

// The event through which a thread acknowledges a stop request: manual
// reset, initially clear. Once its waiting is disabled every wait answers
// Abandoned at once, so no one can block on it any more. Owned by the
// thread manager's event list; safe to use from any thread.
class KestThreadEvent : public platform::Event {
 public:
  KestThreadEvent() = default;

  // Waits as the platform event does while waiting is enabled; answers
  // Abandoned at once after DisableWait.
  platform::WaitResult WaitFor(uint32_t timeoutMs) override;

  // Marks the event as the one a thread object acknowledges through.
  void SetOwnedByThread(bool owned) { m_OwnedByThread.store(owned); }
  bool IsOwnedByThread() const { return m_OwnedByThread.load(); }
  void DisableWait() { m_WaitEnabled.store(false); }

  ~KestThreadEvent() override = default;

 private:
  std::atomic<bool> m_WaitEnabled{true};
  std::atomic<bool> m_OwnedByThread{false};
};

}  // namespace maplink
