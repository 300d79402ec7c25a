#include "packet/PacketCounters.h"

namespace maplink {

void PacketCounters::CountTake() { RaisePeakTo(m_Count.fetch_add(1) + 1); }

bool PacketCounters::CountGiveBack(int32_t& refusedCount) {
  int32_t count = m_Count.load();
  do {
    if (count <= 0) {
      refusedCount = count - 1;
      return false;
    }
  } while (!m_Count.compare_exchange_weak(count, count - 1));
  return true;
}

void PacketCounters::RaisePeak() { RaisePeakTo(m_Count.load()); }

void PacketCounters::RaisePeakTo(int32_t count) {
  int32_t peak = m_MaxCount.load();
  while (count > peak && !m_MaxCount.compare_exchange_weak(peak, count)) {
  }
}

PacketCounters& ModulePacketCounters() {
  static PacketCounters counters;
  return counters;
}

}  // namespace maplink
