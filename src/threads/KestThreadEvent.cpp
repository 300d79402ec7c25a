#include "threads/KestThreadEvent.h"

namespace maplink {

platform::WaitResult KestThreadEvent::WaitFor(uint32_t timeoutMs) {
  if (!m_WaitEnabled.load()) return platform::WaitResult::Abandoned;
  return Event::WaitFor(timeoutMs);
}

}  // namespace maplink
