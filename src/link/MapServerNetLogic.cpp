#include "link/MapServerNetLogic.h"

#include "packet/MMORPGPacketPool.h"
#include "support/LogBinding.h"

using MMORPG::MMORPGPacket;

MapServerNetLogic::~MapServerNetLogic() = default;

MMORPGPacket* MapServerNetLogic::PopRecv() { return m_RecvQueue.Pop(); }

bool MapServerNetLogic::PushRecv(MMORPGPacket* packet) { return m_RecvQueue.Push(packet); }

bool MapServerNetLogic::PopSend(MMORPGPacket* packet) { return m_SendQueue.PacketPop(packet); }

bool MapServerNetLogic::PushSend(MMORPGPacket* packet) {
  if (packet == nullptr) {
    maplink::GetLogger()->LogWarn("MapServerNetLogic::PushSend  packet == NULL");
    return false;
  }
  packet->SetSrcServerType(stMapServer);
  packet->SetDestServerType(stGameServer);
  packet->SetPackOrder(0);
  return m_SendQueue.Push(packet);
}

int32_t MapServerNetLogic::GetSendCount() { return m_SendQueue.Count(); }

int32_t MapServerNetLogic::GetRecvCount() { return m_RecvQueue.Count(); }

void MapServerNetLogic::ClearRecv() { m_RecvQueue.Clear(); }

void MapServerNetLogic::ClearSend() { m_SendQueue.Clear(); }

bool MapServerNetLogic::PopUser1(MMORPGPacket* packet) { return m_UserQueue1.PacketPop(packet); }

bool MapServerNetLogic::PushUser1(MMORPGPacket* packet) { return m_UserQueue1.Push(packet); }

int32_t MapServerNetLogic::CountUser1() { return m_UserQueue1.Count(); }

bool MapServerNetLogic::PopSpare1(MMORPGPacket* packet) { return m_SpareQueue1.PacketPop(packet); }

bool MapServerNetLogic::PushSpare1(MMORPGPacket* packet) { return m_SpareQueue1.Push(packet); }

int32_t MapServerNetLogic::CountSpare1() { return m_SpareQueue1.Count(); }

bool MapServerNetLogic::PopSpare2(MMORPGPacket* packet) { return m_SpareQueue2.PacketPop(packet); }

bool MapServerNetLogic::PushSpare2(MMORPGPacket* packet) { return m_SpareQueue2.Push(packet); }

int32_t MapServerNetLogic::CountSpare2() { return m_SpareQueue2.Count(); }

bool MapServerNetLogic::PopUser2(MMORPGPacket* packet) { return m_UserQueue2.PacketPop(packet); }

bool MapServerNetLogic::PushUser2(MMORPGPacket* packet) { return m_UserQueue2.Push(packet); }

int32_t MapServerNetLogic::CountUser2() { return m_UserQueue2.Count(); }

bool MapServerNetLogic::PopUser3(MMORPGPacket* packet) { return m_UserQueue3.PacketPop(packet); }

bool MapServerNetLogic::PushUser3(MMORPGPacket* packet) { return m_UserQueue3.Push(packet); }

int32_t MapServerNetLogic::CountUser3() { return m_UserQueue3.Count(); }

void MapServerNetLogic::Noop() {}

bool MapServerNetLogic::PushRecvAll(const std::vector<MMORPGPacket*>& packets) {
  return m_RecvQueue.PushAll(packets);
}

size_t MapServerNetLogic::PopSendMany(MMORPGPacket* const* packets, size_t count) {
  return m_SendQueue.PacketPopMany(packets, count);
}
