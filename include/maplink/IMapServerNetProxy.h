#pragma once

// The host's send and receive surface of the game-server link, obtained from
// the link itself (GetNetProxy); the link owns it and it lives as long as the
// link. It builds packets from the module's packet pool, queues them for the
// send thread, hands the host the packets that arrived, counts packets per
// second each way and reports the pool's use.
//
// Ownership:
// - SendPack and SendData build a pooled packet and queue it; the caller's
//   bytes are copied.
// - A packet passed to a PushUserQueue operation that returns true belongs to
//   the queue from then on; the caller must not touch it again. On false it
//   stays the caller's.
// - A packet from RecvPacket or NewPacket belongs to the host until it gives
//   it back with FreePacket or passes it to a push.
// - The PopUserQueue operations copy into a packet the host owns (a pooled
//   packet or any other) and never hand out pooled packets.
//
// Every packet the link sends leaves with source stMapServer, destination
// stGameServer and PackOrder 0, whatever the caller put there.
//
// Threads: any host thread may call any operation at any time, also while the
// link's worker threads run. Before the link is started the operations that
// reach its queues fail (false, null or 0) and log a warning; NewPacket,
// FreePacket and the two pool counts work at any time.
//
// The order of the operations of IMapServerNetProxy is part of the binary
// interface and never changes.

#include <cstdint>

#include "maplink/MMORPGPacket.h"

class IMapServerNetProxy {
 public:
  // Queues a packet of type `type` for session sessionId with a copy of the
  // len bytes at data as its body (src, dest and packOrder are replaced, see
  // above), and counts it in the send rate. False, with nothing queued, when
  // the body is refused (len below 0, or data null with len above 0).
  virtual bool SendPack(uint8_t src, uint8_t dest, int32_t sessionId, uint16_t packOrder, uint8_t type,
                        const char* data, int32_t len) = 0;
  // Queues a packet of type 2, session 0, with the len bytes at data as its
  // body; not counted in the send rate. Refuses a bad body as SendPack does.
  virtual bool SendData(const char* data, int32_t len) = 0;
  // The oldest packet that arrived, removed and counted in the receive rate;
  // null when none is waiting. Give it back with FreePacket.
  virtual MMORPG::MMORPGPacket* RecvPacket() = 0;
  // Packets per second sent (SendPack) and received (RecvPacket) in the last
  // closed one-second window.
  virtual int32_t GetSendRate() = 0;
  virtual int32_t GetRecvRate() = 0;

  // Three queues that carry packets between host threads. Pop copies the
  // oldest packet into *packet (false when the queue is empty), Push appends
  // a pooled packet, Count is the number of packets queued: a hint read
  // without the lock, which may be stale by the time the caller acts on it.
  virtual bool PopUserQueue1(MMORPG::MMORPGPacket* packet) = 0;
  virtual bool PushUserQueue1(MMORPG::MMORPGPacket* packet) = 0;
  virtual int32_t CountUserQueue1() = 0;
  virtual bool PopUserQueue2(MMORPG::MMORPGPacket* packet) = 0;
  virtual bool PushUserQueue2(MMORPG::MMORPGPacket* packet) = 0;
  virtual int32_t CountUserQueue2() = 0;
  virtual bool PopUserQueue3(MMORPG::MMORPGPacket* packet) = 0;
  virtual bool PushUserQueue3(MMORPG::MMORPGPacket* packet) = 0;
  virtual int32_t CountUserQueue3() = 0;

  // A packet from the pool with a zero header and an empty body.
  virtual MMORPG::MMORPGPacket* NewPacket() = 0;
  // Gives a pooled packet back; misuse (twice, a packet not from the pool) is
  // logged and changes nothing.
  virtual void FreePacket(MMORPG::MMORPGPacket* packet) = 0;
  // Pooled packets out now, and the most that were out at once.
  virtual int32_t GetPacketCount() = 0;
  virtual int32_t GetPacketPeakCount() = 0;

 protected:
  ~IMapServerNetProxy() = default;
};
