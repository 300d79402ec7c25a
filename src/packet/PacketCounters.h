#pragma once

#include <atomic>
#include <cstdint>

namespace maplink {

// How many pooled packets are out (m_Count) and the most that were out at
// once (m_MaxCount). Lock-free: any thread may read them at any time; the pool
// changes m_Count only for a take or a give-back it accepts.
class PacketCounters {
 public:
  PacketCounters() = default;
  PacketCounters(const PacketCounters&) = delete;
  PacketCounters& operator=(const PacketCounters&) = delete;

  int32_t GetCount() const { return m_Count.load(); }
  int32_t GetMaxCount() const { return m_MaxCount.load(); }

  // Counts one packet lent and raises the peak to the new count.
  void CountTake();
  // Counts one packet given back, unless the count would go below 0: then the
  // count stays and false comes back with the value it would have taken.
  bool CountGiveBack(int32_t& refusedCount);
  // Raises m_MaxCount to m_Count when that is higher.
  void RaisePeak();

 private:
  void RaisePeakTo(int32_t count);

  std::atomic<int32_t> m_Count{0};
  std::atomic<int32_t> m_MaxCount{0};
};

// The counters of the module's packet pool.
PacketCounters& ModulePacketCounters();

}  // namespace maplink
