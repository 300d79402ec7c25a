#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Clock.h"

namespace maplink::test {

// A tick that moves only when the test moves it.
class ManualClock final : public platform::Clock {
 public:
  explicit ManualClock(uint32_t start = 1) : m_Now(start) {}
  uint32_t NowMs() const override { return m_Now.load(); }
  void Set(uint32_t now) { m_Now.store(now); }
  void Advance(uint32_t ms) { m_Now.fetch_add(ms); }

 private:
  std::atomic<uint32_t> m_Now;
};

}  // namespace maplink::test
