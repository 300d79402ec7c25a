#pragma once

#include <condition_variable>
#include <cstdint>

#include "platform/Mutex.h"

namespace maplink::platform {

// The outcomes of a timed wait. Event itself answers Signaled or Timeout;
// events built on it may answer Abandoned (or Error) for their own reasons.
enum class WaitResult { Signaled, Timeout, Abandoned, Error };

// A timeout that never runs out.
constexpr uint32_t kInfinite = 4294967295u;

// A manual-reset event, initially clear: once set it releases every waiter,
// present and future, until it is reset. Safe to use from any thread.
class Event {
 public:
  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void SetEvent();
  void ResetEvent();

  // Waits until the event is set or timeoutMs milliseconds have passed
  // (kInfinite: no limit). Answers Signaled or Timeout.
  virtual WaitResult WaitFor(uint32_t timeoutMs);

  virtual ~Event() = default;

 private:
  // Innermost: no other lock is taken while it is held (the thread
  // manager's list lock may be held when it is taken).
  Mutex m_Mutex;
  std::condition_variable_any m_Changed;
  bool m_Signaled GUARDED_BY(m_Mutex) = false;
};

}  // namespace maplink::platform
