#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "link/AQueue.h"
#include "platform/CriticalSection.h"
#include "platform/ThreadAnnotations.h"
#include "support/LogBinding.h"
#include "support/TLockObj.h"

// A queue of pointers to pooled packets, shared by any number of threads. T
// is a packet class with Copy(const T*) and a static Free(T*) that gives a
// packet back to its pool.
//
// Every operation but Count and Release holds m_Lock for its whole run. Count
// reads a count kept beside the queue, without the lock: a hint for pollers,
// which must tolerate a stale value. The pointer Front returns may be removed
// and given back by another thread as soon as Front returns.
//
// Ownership: a pushed packet belongs to the queue. PacketPop copies the front
// packet out and gives it back to the pool at once; Clear and the destructor
// give back every packet left; a packet taken with Pop belongs to the caller,
// who gives it back.
template <typename T>
class CThreadQueue {
 public:
  CThreadQueue() = default;
  CThreadQueue(const CThreadQueue&) = delete;
  CThreadQueue& operator=(const CThreadQueue&) = delete;

  virtual ~CThreadQueue() { Clear(); }

  // Removes the front entry, copies it into *packet and gives it back to the
  // pool. False when the queue is empty (packet untouched), when the entry
  // removed is null (logged), and when packet is null (logged, nothing removed).
  virtual bool PacketPop(T* packet) {
    if (packet == nullptr) {
      maplink::GetLogger()->LogWarn("CThreadQueue<T>::PacketPop(T * Packet)  Packet == NULL");
      return false;
    }
    if (IsSeenEmpty()) return false;
    maplink::TLockObj lock(m_Lock);
    if (m_Queue.IsEmpty()) return false;
    T* front = PopLocked();
    if (front == nullptr) {
      maplink::GetLogger()->LogWarn("CThreadQueue<T>::PacketPop(T * Packet)  m_Queue->Pop()== NULL");
      return false;
    }
    packet->Copy(front);
    Release(front);
    return true;
  }

  // PacketPop into packets[0], packets[1], … while entries last, taking
  // them off the queue under one hold of the lock; the copies and the give
  // back to the pool happen after it, since no other thread can reach a
  // removed entry. A null entry is consumed and logged as PacketPop does.
  // Returns how many packets were filled. T's pool offers
  // FreeMany(std::vector<T*>), found next to T.
  size_t PacketPopMany(T* const* packets, size_t count) {
    if (IsSeenEmpty()) return 0;
    std::vector<T*> popped;
    popped.reserve(count);
    size_t nullEntries = 0;
    {
      maplink::TLockObj lock(m_Lock);
      while (popped.size() < count && !m_Queue.IsEmpty()) {
        T* front = PopLocked();
        if (front != nullptr) {
          popped.push_back(front);
        } else {
          ++nullEntries;
        }
      }
    }
    for (; nullEntries > 0; --nullEntries) {
      maplink::GetLogger()->LogWarn("CThreadQueue<T>::PacketPop(T * Packet)  m_Queue->Pop()== NULL");
    }
    for (size_t i = 0; i < popped.size(); ++i) packets[i]->Copy(popped[i]);
    FreeMany(popped);
    return popped.size();
  }

  // Appends packet, null included; always true.
  virtual bool Push(T* packet) {
    maplink::TLockObj lock(m_Lock);
    m_Queue.Push(packet);
    m_EntryCount.store(m_Queue.Count(), std::memory_order_relaxed);
    return true;
  }

  // Appends every packet of the list in its order, under one hold of the
  // lock: a producer with many packets at once holds up the consumers once.
  bool PushAll(const std::vector<T*>& packets) {
    maplink::TLockObj lock(m_Lock);
    for (T* packet : packets) m_Queue.Push(packet);
    m_EntryCount.store(m_Queue.Count(), std::memory_order_relaxed);
    return true;
  }

  // Removes and returns the front entry, or null when empty. The caller owns
  // the packet and gives it back to the pool.
  virtual T* Pop() {
    if (IsSeenEmpty()) return nullptr;
    maplink::TLockObj lock(m_Lock);
    return PopLocked();
  }

  // The front entry, left in the queue, or null when empty.
  virtual T* Front() {
    maplink::TLockObj lock(m_Lock);
    return m_Queue.Front();
  }

  // Gives packet back to the pool; takes no queue lock.
  virtual void Release(T* packet) { T::Free(packet); }

  // The number of entries, read without the lock (see above).
  virtual int32_t Count() { return m_EntryCount.load(std::memory_order_relaxed); }

  // Gives every queued packet back to the pool; a null entry is logged and skipped.
  void Clear() {
    maplink::TLockObj lock(m_Lock);
    while (!m_Queue.IsEmpty()) {
      T* front = PopLocked();
      if (front != nullptr) {
        Release(front);
      } else {
        maplink::GetLogger()->LogWarn("CThreadQueue<T>::Clear()  m_Queue->Pop()== NULL");
      }
    }
  }

 private:
  // An empty queue answers a pop without the lock: a poller that finds
  // nothing never holds up the threads that push. A push this thread cannot
  // see yet is one it could not have known about when it asked.
  bool IsSeenEmpty() const { return m_EntryCount.load(std::memory_order_relaxed) == 0; }

  T* PopLocked() REQUIRES(m_Lock) {
    T* front = m_Queue.Pop();
    m_EntryCount.store(m_Queue.Count(), std::memory_order_relaxed);
    return front;
  }

  // Lock order: may be held while the pool's lock is taken (PacketPop and
  // Clear give packets back under it), never the reverse; no operation holds
  // two queue locks.
  maplink::platform::CriticalSection m_Lock;
  maplink::AQueue<T> m_Queue GUARDED_BY(m_Lock);
  // m_Queue's size, written under m_Lock so Count can read it without the
  // lock. Relaxed: a reader that acts on it takes m_Lock first.
  std::atomic<int32_t> m_EntryCount{0};
};
