#pragma once

#include <cstdint>

#include "platform/Clock.h"

namespace maplink {

// A rate counter over fixed time windows: counts (and bytes) added during a
// window give the rate per m_Interval milliseconds once the window closes. A
// window closes only when the counter is used, so a long quiet spell gives a
// rate averaged over its whole length.
//
// No lock: callers that use one counter from several threads serialise that
// use themselves.
class SecCounter {
 public:
  // "clock" must outlive the counter.
  explicit SecCounter(uint32_t interval, const platform::Clock& clock = platform::SystemClock());
  SecCounter(const SecCounter&) = delete;
  SecCounter& operator=(const SecCounter&) = delete;

  // One event carrying n bytes.
  void AddBytes(uint32_t n);
  void AddCount(uint32_t n);
  // Events per interval in the last closed window.
  int32_t GetRate();
  void Update();

  int32_t GetByteRate() const { return m_ByteRate; }
  uint64_t GetTotalBytes() const { return m_TotalBytes; }

 private:
  uint32_t m_StartTime = 0;
  uint32_t m_WindowStart = 0;  // 0: no window open yet
  int32_t m_Rate = 0;
  uint32_t m_WindowCount = 0;
  uint32_t m_Interval;
  int32_t m_ByteRate = 0;
  uint32_t m_WindowBytes = 0;
  uint64_t m_TotalBytes = 0;
  const platform::Clock& m_Clock;
};

}  // namespace maplink
