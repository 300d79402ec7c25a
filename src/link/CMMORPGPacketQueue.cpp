#include "link/CMMORPGPacketQueue.h"

#include <new>

using MMORPG::MMORPGPacket;

CMMORPGPacketQueue::~CMMORPGPacketQueue() = default;

bool CMMORPGPacketQueue::PacketPop(MMORPGPacket* packet) { return m_ThreadQueue.PacketPop(packet); }

bool CMMORPGPacketQueue::Push(MMORPGPacket* packet) { return m_ThreadQueue.Push(packet); }

MMORPGPacket* CMMORPGPacketQueue::Pop() { return m_ThreadQueue.Pop(); }

MMORPGPacket* CMMORPGPacketQueue::Front() { return m_ThreadQueue.Front(); }

void CMMORPGPacketQueue::Release(MMORPGPacket* packet) { m_ThreadQueue.Release(packet); }

void CMMORPGPacketQueue::Clear() { m_ThreadQueue.Clear(); }

int32_t CMMORPGPacketQueue::Count() { return m_ThreadQueue.Count(); }

extern "C" {

MAPLINK_EXPORT IMMORPGPacketQueue* NewMMORPGPacketQueue() { return new (std::nothrow) CMMORPGPacketQueue(); }

MAPLINK_EXPORT void FreeMMORPGPacketQueue(IMMORPGPacketQueue* queue) {
  // Every queue handed out was made above, so this cast is exact.
  delete static_cast<CMMORPGPacketQueue*>(queue);
}
}
