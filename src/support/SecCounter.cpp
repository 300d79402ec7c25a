#include "support/SecCounter.h"

namespace maplink {

namespace {

// Products are taken in 64 bits: count × interval overflows 32 bits from
// about 4.3 million counts in a 1000 ms window.
int32_t PerInterval(uint32_t amount, uint32_t interval, uint32_t elapsed) {
  return static_cast<int32_t>(static_cast<uint64_t>(amount) * interval / elapsed);
}

}  // namespace

SecCounter::SecCounter(uint32_t interval, const platform::Clock& clock)
    : m_Interval(interval), m_Clock(clock) {}

void SecCounter::AddBytes(uint32_t n) {
  m_TotalBytes += n;
  m_WindowBytes += n;
  AddCount(1);
}

void SecCounter::AddCount(uint32_t n) {
  m_WindowCount += n;
  Update();
}

int32_t SecCounter::GetRate() {
  Update();
  return m_Rate;
}

void SecCounter::Update() {
  const uint32_t now = m_Clock.NowMs();
  if (m_WindowStart == 0) {
    // Opening the first window drops the counts of the call that opens it.
    m_WindowStart = now;
    m_WindowCount = 0;
  }
  if (m_StartTime == 0) m_StartTime = now;

  const uint32_t elapsed = now - m_WindowStart;
  if (elapsed == 0 || elapsed < m_Interval) return;

  m_Rate = PerInterval(m_WindowCount, m_Interval, elapsed);
  m_WindowCount = 0;
  m_ByteRate = PerInterval(m_WindowBytes, m_Interval, elapsed);
  m_WindowBytes = 0;
  m_WindowStart = m_Clock.NowMs();
}

}  // namespace maplink
