#include "packet/MMORPGPacketPool.h"

#include "support/LogBinding.h"
#include "support/ResGuard.h"

namespace MMORPG {

MMORPGPacketPool::MMORPGPacketPool(maplink::PacketCounters& counters, PacketFactory factory)
    : m_Counters(counters), m_PacketPool(std::move(factory)) {
  m_PacketPool.Init(kInitSize);
  m_PacketPool.SetGrowStep(kGrowStep);
  maplink::GetLogger()->LogInfo("Init PacketPool Size = %d", kInitSize);
}

MMORPGPacket* MMORPGPacketPool::Alloc() {
  return m_PacketPool.Alloc([this](MMORPGPacket* packet) { OnTake(packet); });
}

void MMORPGPacketPool::AllocMany(size_t count, std::vector<MMORPGPacket*>& out) {
  m_PacketPool.AllocMany(count, out, [this](MMORPGPacket* packet) { OnTake(packet); });
}

void MMORPGPacketPool::Free(MMORPGPacket* packet) {
  if (!MayGiveBack(packet)) return;
  m_PacketPool.Free(packet, [this](MMORPGPacket* given) { return AcceptGiveBack(given); });
}

void MMORPGPacketPool::FreeMany(const std::vector<MMORPGPacket*>& packets) {
  m_PacketPool.FreeMany(packets, [this](MMORPGPacket* given) { return MayGiveBack(given) && AcceptGiveBack(given); });
}

void MMORPGPacketPool::OnTake(MMORPGPacket* packet) {
  if (packet == nullptr || packet->m_InUse) {
    maplink::GetLogger()->LogError("MMORPGPacketPool  m_PacketPool.Alloc == NULL");
  }
  if (packet == nullptr) return;
  m_Counters.CountTake();
  packet->m_InUse = true;
}

bool MMORPGPacketPool::MayGiveBack(MMORPGPacket* packet) {
  if (packet == nullptr) {
    maplink::GetLogger()->LogError("MMORPGPacketPool::Free  MMORPGPacket * pack is NULL");
    return false;
  }
  if (!packet->CanFree()) {
    maplink::GetLogger()->LogError("MMORPGPacketPool::Free  MMORPGPacket * pack can't free");
    return false;
  }
  return true;
}

bool MMORPGPacketPool::AcceptGiveBack(MMORPGPacket* packet) {
  if (!packet->m_InUse) {
    maplink::GetLogger()->LogError("MMORPGPacketPool::Free  MMORPGPacket * pack is Not Used");
    return false;
  }
  int32_t refusedCount = 0;
  if (!m_Counters.CountGiveBack(refusedCount)) {
    maplink::GetLogger()->LogError("Error : MMORPGPacket::Free, m_Count = %d", refusedCount);
    return false;
  }
  packet->Reset();
  return true;
}

MMORPGPacketPool* GetPacketPool() { return SingletonEx::LazyInstance<MMORPGPacketPool>::Instance(); }

int32_t GetCount() { return maplink::ModulePacketCounters().GetCount(); }

int32_t GetMaxCount() { return maplink::ModulePacketCounters().GetMaxCount(); }

void FreeMany(const std::vector<MMORPGPacket*>& packets) { GetPacketPool()->FreeMany(packets); }

}  // namespace MMORPG
