#pragma once

#include <cstdint>

#include "link/CThreadQueue.h"
#include "maplink/IMMORPGPacketQueue.h"

// The host's own thread-safe packet queue: every operation forwards to one
// CThreadQueue, whose lock serialises them. Made and destroyed only by the
// exports NewMMORPGPacketQueue and FreeMMORPGPacketQueue.
class CMMORPGPacketQueue final : public IMMORPGPacketQueue {
 public:
  CMMORPGPacketQueue() = default;
  CMMORPGPacketQueue(const CMMORPGPacketQueue&) = delete;
  CMMORPGPacketQueue& operator=(const CMMORPGPacketQueue&) = delete;

  bool PacketPop(MMORPG::MMORPGPacket* packet) override;
  bool Push(MMORPG::MMORPGPacket* packet) override;
  MMORPG::MMORPGPacket* Pop() override;
  MMORPG::MMORPGPacket* Front() override;
  void Release(MMORPG::MMORPGPacket* packet) override;
  void Clear() override;
  int32_t Count() override;
  // After the interface's operations, so its slots keep their documented
  // order. Gives every packet still queued back to the pool.
  virtual ~CMMORPGPacketQueue();

 private:
  CThreadQueue<MMORPG::MMORPGPacket> m_ThreadQueue;
};
