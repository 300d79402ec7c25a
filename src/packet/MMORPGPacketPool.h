#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "maplink/MMORPGPacket.h"
#include "packet/AAutoQueue.h"
#include "packet/PacketCounters.h"

namespace MMORPG {

// Lends pooled packets and takes them back. Any thread may call Alloc and
// Free. A take or give-back and its checks (in use, the count of packets out)
// are decided as one step under the queue's lock, so a packet is never lent
// twice nor queued twice, whatever threads give it back at once.
class MMORPGPacketPool {
 public:
  using PacketFactory = maplink::AAutoQueue<MMORPGPacket>::ElementFactory;

  static constexpr int32_t kInitSize = 5000;
  static constexpr int32_t kGrowStep = 500;

  // Creates kInitSize packets with factory and counts in counters, which must
  // outlive the pool.
  explicit MMORPGPacketPool(
      maplink::PacketCounters& counters = maplink::ModulePacketCounters(),
      PacketFactory factory = [] { return std::make_unique<MMORPGPacket>(); });
  MMORPGPacketPool(const MMORPGPacketPool&) = delete;
  MMORPGPacketPool& operator=(const MMORPGPacketPool&) = delete;

  // A packet marked in use, or null when memory runs out.
  MMORPGPacket* Alloc();
  // Resets a lent packet and queues it again; misuse is logged and changes nothing.
  void Free(MMORPGPacket* packet);

  // Alloc of count packets under one hold of the pool's lock, appended to
  // out; fewer only when memory runs out. For a thread that takes many at once.
  void AllocMany(size_t count, std::vector<MMORPGPacket*>& out);
  // Free of each packet, under one hold of the pool's lock.
  void FreeMany(const std::vector<MMORPGPacket*>& packets);

  // Packets owned (free or lent) and packets free.
  int32_t Count() { return m_PacketPool.Count(); }
  int32_t EmptyCount() { return m_PacketPool.EmptyCount(); }

 private:
  // Under the queue's lock: marks a packet taken and counts it.
  void OnTake(MMORPGPacket* packet);
  // Under the queue's lock: whether a give-back is accepted; counts and
  // resets the packet when it is.
  bool AcceptGiveBack(MMORPGPacket* packet);
  // The checks a give-back passes before the lock is taken.
  static bool MayGiveBack(MMORPGPacket* packet);

  maplink::PacketCounters& m_Counters;
  maplink::AAutoQueue<MMORPGPacket> m_PacketPool;
};

// The module's pool, created on the first call and never destroyed.
MMORPGPacketPool* GetPacketPool();
// Packets of the module's pool now out, and the most that were out at once.
int32_t GetCount();
int32_t GetMaxCount();
// Free of each packet into the module's pool, under one hold of its lock.
void FreeMany(const std::vector<MMORPGPacket*>& packets);

}  // namespace MMORPG
