#include "link/MapServerNetProxy.h"

#include "packet/MMORPGPacketPool.h"
#include "support/LogBinding.h"

using MMORPG::MMORPGPacket;

namespace {

constexpr uint32_t kRateInterval = 1000;  // ms: the rates are per second
constexpr uint8_t kSendDataType = 2;

}  // namespace

MapServerNetProxy::MapServerNetProxy(const maplink::platform::Clock& clock)
    : m_SendCounter(kRateInterval, clock), m_RecvCounter(kRateInterval, clock) {}

MapServerNetProxy::~MapServerNetProxy() = default;

bool MapServerNetProxy::SendPack(uint8_t src, uint8_t dest, int32_t sessionId, uint16_t packOrder,
                                 uint8_t type, const char* data, int32_t len) {
  tagPackHead head{};
  head.SessionID = static_cast<uint32_t>(sessionId);
  head.PackOrder = packOrder;
  head.packType = type;
  head.DestServerType = dest;
  head.SrcServerType = src;
  return QueueForSending(__func__, head, data, len, true);
}

bool MapServerNetProxy::SendData(const char* data, int32_t len) {
  tagPackHead head{};
  head.packType = kSendDataType;
  head.DestServerType = stGameServer;
  head.SrcServerType = stMapServer;
  return QueueForSending(__func__, head, data, len, false);
}

MMORPGPacket* MapServerNetProxy::RecvPacket() {
  MapServerNetLogic* logic = NetLogic(__func__);
  if (logic == nullptr) return nullptr;
  MMORPGPacket* packet = logic->PopRecv();
  if (packet != nullptr) CountReceived(*packet);
  return packet;
}

int32_t MapServerNetProxy::GetSendRate() {
  maplink::platform::MutexLock lock(m_SendCounterLock);
  return m_SendCounter.GetRate();
}

int32_t MapServerNetProxy::GetRecvRate() {
  maplink::platform::MutexLock lock(m_RecvCounterLock);
  return m_RecvCounter.GetRate();
}

bool MapServerNetProxy::PopUserQueue1(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PopUser1, packet);
}

bool MapServerNetProxy::PushUserQueue1(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PushUser1, packet);
}

int32_t MapServerNetProxy::CountUserQueue1() { return Forward(__func__, &MapServerNetLogic::CountUser1); }

bool MapServerNetProxy::PopUserQueue2(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PopUser2, packet);
}

bool MapServerNetProxy::PushUserQueue2(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PushUser2, packet);
}

int32_t MapServerNetProxy::CountUserQueue2() { return Forward(__func__, &MapServerNetLogic::CountUser2); }

bool MapServerNetProxy::PopUserQueue3(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PopUser3, packet);
}

bool MapServerNetProxy::PushUserQueue3(MMORPGPacket* packet) {
  return Forward(__func__, &MapServerNetLogic::PushUser3, packet);
}

int32_t MapServerNetProxy::CountUserQueue3() { return Forward(__func__, &MapServerNetLogic::CountUser3); }

MMORPGPacket* MapServerNetProxy::NewPacket() { return MMORPGPacket::Alloc(); }

void MapServerNetProxy::FreePacket(MMORPGPacket* packet) { MMORPGPacket::Free(packet); }

int32_t MapServerNetProxy::GetPacketCount() { return MMORPG::GetCount(); }

int32_t MapServerNetProxy::GetPacketPeakCount() { return MMORPG::GetMaxCount(); }

MapServerNetLogic* MapServerNetProxy::SetNetLogic(MapServerNetLogic* logic) {
  MMORPG::GetPacketPool();
  m_pNetLogic.store(logic, std::memory_order_release);
  return logic;
}

bool MapServerNetProxy::SendPacket(MMORPGPacket* packet) {
  MapServerNetLogic* logic = NetLogic(__func__);
  if (logic == nullptr) return false;
  if (packet != nullptr) CountSent(*packet);
  return logic->PushSend(packet);
}

MapServerNetLogic* MapServerNetProxy::NetLogic(const char* operation) const {
  MapServerNetLogic* logic = m_pNetLogic.load(std::memory_order_acquire);
  if (logic == nullptr) {
    maplink::GetLogger()->LogWarn("MapServerNetProxy::%s  m_pNetLogic == NULL", operation);
  }
  return logic;
}

bool MapServerNetProxy::QueueForSending(const char* operation, const tagPackHead& head, const char* data,
                                        int32_t len, bool countIt) {
  MapServerNetLogic* logic = NetLogic(operation);
  if (logic == nullptr) return false;
  // The checks ReadData makes, made before a packet is taken: a packet with
  // a silently wrong body must never be sent.
  if (len < 0 || (data == nullptr && len > 0)) {
    maplink::GetLogger()->LogError("MapServerNetProxy::%s  body refused, Len = %d, nothing sent", operation,
                                   len);
    return false;
  }
  MMORPGPacket* packet = MMORPGPacket::Alloc();
  if (packet == nullptr) return false;  // the pool has logged it
  packet->SetHead(&head);
  packet->ReadData(data, len);
  if (countIt) CountSent(*packet);
  return logic->PushSend(packet);
}

void MapServerNetProxy::CountSent(const MMORPGPacket& packet) {
  maplink::platform::MutexLock lock(m_SendCounterLock);
  m_SendCounter.AddBytes(static_cast<uint32_t>(packet.GetDataLen()));
}

void MapServerNetProxy::CountReceived(const MMORPGPacket& packet) {
  maplink::platform::MutexLock lock(m_RecvCounterLock);
  m_RecvCounter.AddBytes(static_cast<uint32_t>(packet.GetDataLen()));
}
