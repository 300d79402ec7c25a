#pragma once

#include <cstdint>
#include <vector>

#include "link/CThreadQueue.h"
#include "maplink/MMORPGPacket.h"

// The seven packet queues between the host's threads and the link's worker
// threads, each offered through one-line forwarding operations.
//
// m_RecvQueue: the receive thread pushes, host threads pop (PopRecv).
// m_SendQueue: host threads push (PushSend), the send thread polls
// GetSendCount and copies out with PopSend. The user queues carry whatever the
// host puts in them, between host threads; the spare queues are reached only
// through this class. Every operation is safe from any thread: each queue has
// its own lock and none holds two.
//
// Ownership: the queues own the pooled packets they hold; destroying the net
// logic gives every one of them back to the pool, which must outlive it.
class MapServerNetLogic {
 public:
  MapServerNetLogic() = default;
  MapServerNetLogic(const MapServerNetLogic&) = delete;
  MapServerNetLogic& operator=(const MapServerNetLogic&) = delete;

  virtual ~MapServerNetLogic();

  // The front received packet, removed; the caller gives it back to the pool.
  virtual MMORPG::MMORPGPacket* PopRecv();
  virtual bool PushRecv(MMORPG::MMORPGPacket* packet);
  // Copies the front packet to send into *packet and gives the queued one back.
  virtual bool PopSend(MMORPG::MMORPGPacket* packet);
  // Forces source stMapServer, destination stGameServer and PackOrder 0, then
  // queues packet. A null packet is refused: false and a warning.
  virtual bool PushSend(MMORPG::MMORPGPacket* packet);
  virtual int32_t GetSendCount();
  virtual int32_t GetRecvCount();
  virtual void ClearRecv();
  virtual void ClearSend();

  virtual bool PopUser1(MMORPG::MMORPGPacket* packet);
  virtual bool PushUser1(MMORPG::MMORPGPacket* packet);
  virtual int32_t CountUser1();
  virtual bool PopSpare1(MMORPG::MMORPGPacket* packet);
  virtual bool PushSpare1(MMORPG::MMORPGPacket* packet);
  virtual int32_t CountSpare1();
  virtual bool PopSpare2(MMORPG::MMORPGPacket* packet);
  virtual bool PushSpare2(MMORPG::MMORPGPacket* packet);
  virtual int32_t CountSpare2();
  virtual bool PopUser2(MMORPG::MMORPGPacket* packet);
  virtual bool PushUser2(MMORPG::MMORPGPacket* packet);
  virtual int32_t CountUser2();
  virtual bool PopUser3(MMORPG::MMORPGPacket* packet);
  virtual bool PushUser3(MMORPG::MMORPGPacket* packet);
  virtual int32_t CountUser3();

  virtual void Noop();

  // PushRecv of every packet in the list, in its order, under one hold of
  // the receive queue's lock.
  bool PushRecvAll(const std::vector<MMORPG::MMORPGPacket*>& packets);
  // PopSend into packets[0], packets[1], … while the send queue has
  // entries, under one hold of its lock; returns how many were filled.
  size_t PopSendMany(MMORPG::MMORPGPacket* const* packets, size_t count);

 private:
  using PacketQueue = CThreadQueue<MMORPG::MMORPGPacket>;

  // Constructed in this order, destroyed in the reverse.
  PacketQueue m_RecvQueue;
  PacketQueue m_SendQueue;
  PacketQueue m_UserQueue1;
  PacketQueue m_SpareQueue1;
  PacketQueue m_SpareQueue2;
  PacketQueue m_UserQueue2;
  PacketQueue m_UserQueue3;
};
