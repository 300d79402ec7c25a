#pragma once

// A thread-safe queue of pooled packets for the host's own use, of the kind
// the link uses between its threads.
//
// Ownership: NewMMORPGPacketQueue creates a queue; the host releases it with
// FreeMMORPGPacketQueue and nothing else, which gives every packet still
// queued back to the pool. Only pooled packets (NewPacket, RecvPacket) may be
// pushed: a pushed packet belongs to the queue from then on, and the queue
// gives it back to the pool when it is copied out (PacketPop), cleared or
// freed with the queue. A packet taken with Pop belongs to the caller again.
//
// Threads: any thread may call any operation; each queue has its own lock.
// Count is read without the lock and may be stale by the time the caller
// acts on it; the packet Front shows may be taken by another thread at once.
// A queue must not be freed while another thread still uses it.
//
// The order of the operations of IMMORPGPacketQueue is part of the binary
// interface and never changes.

#include <cstdint>

#include "maplink/Export.h"
#include "maplink/MMORPGPacket.h"

class IMMORPGPacketQueue {
 public:
  // Copies the oldest packet into *packet (a packet the caller owns) and
  // gives the queued one back to the pool. False when the queue is empty, the
  // entry was null (logged) or packet is null (logged, nothing removed).
  virtual bool PacketPop(MMORPG::MMORPGPacket* packet) = 0;
  // Appends packet (null is accepted as an entry); always true.
  virtual bool Push(MMORPG::MMORPGPacket* packet) = 0;
  // The oldest packet, removed; null when empty. The caller gives it back.
  virtual MMORPG::MMORPGPacket* Pop() = 0;
  // The oldest packet, left in the queue; null when empty.
  virtual MMORPG::MMORPGPacket* Front() = 0;
  // Gives packet back to the pool.
  virtual void Release(MMORPG::MMORPGPacket* packet) = 0;
  // Gives every queued packet back to the pool.
  virtual void Clear() = 0;
  // The number of entries.
  virtual int32_t Count() = 0;

 protected:
  ~IMMORPGPacketQueue() = default;
};

extern "C" {
// A new, empty queue; each call makes another. Null only when memory runs out.
MAPLINK_EXPORT IMMORPGPacketQueue* NewMMORPGPacketQueue();
// Gives every packet still queued back to the pool and destroys the queue;
// null does nothing.
MAPLINK_EXPORT void FreeMMORPGPacketQueue(IMMORPGPacketQueue* queue);
}
