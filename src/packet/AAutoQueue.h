#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "packet/AIndexList.h"
#include "platform/CriticalSection.h"
#include "platform/ThreadAnnotations.h"
#include "support/AList.h"
#include "support/LogBinding.h"
#include "support/TLockObj.h"

namespace maplink {

// Allocation record of one element, kept while allocation tracking is on.
struct tagAllocCount {
  uintptr_t m_Element = 0;  // the element's address
  int32_t m_AllocTimes = 0;
  int32_t m_FreeTimes = 0;
  int32_t m_Used = 0;  // 1 while the element is out
};

// A growable set of owned elements with a list of the free ones. Elements are
// created in blocks (Init, and a take that finds none free grows by the grow
// step) and destroyed only with the queue. Reuse is last-in first-out: the
// element given back most recently is handed out next; elements never handed
// out wait behind, in creation order.
//
// Thread-safe: every operation holds m_Lock. The Alloc and Free that take a
// hook run it under m_Lock too, so a caller can decide a take or a give-back
// and its own bookkeeping as one step.
template <typename T>
class AAutoQueue {
 public:
  // Makes one element; may throw std::bad_alloc or return null when memory runs out.
  using ElementFactory = std::function<std::unique_ptr<T>()>;

  explicit AAutoQueue(ElementFactory factory = [] { return std::make_unique<T>(); })
      : m_Factory(std::move(factory)) {}
  AAutoQueue(const AAutoQueue&) = delete;
  AAutoQueue& operator=(const AAutoQueue&) = delete;

  // Destroys every element and creates count new ones. Only while none is out.
  void Init(int32_t count) {
    TLockObj lock(m_Lock);
    m_Empty.clear();
    m_List.Clear();
    m_Alloc.Clear();
    GrowLocked(count);
  }

  void SetGrowStep(int32_t growStep) {
    TLockObj lock(m_Lock);
    m_GrowStep = growStep;
  }

  // Creates n more elements. When memory runs out it logs, keeps those
  // really created and stops.
  void Grow(int32_t n) {
    TLockObj lock(m_Lock);
    GrowLocked(n);
  }

  // A free element, growing by the grow step when none is free; null when
  // none can be had. onTake(element or null) runs before the lock is left.
  template <typename OnTake>
  T* Alloc(OnTake&& onTake) {
    TLockObj lock(m_Lock);
    if (EmptyCountLocked() <= 0) GrowLocked(m_GrowStep);
    T* element = GetEmptyLocked();
    onTake(element);
    return element;
  }
  T* Alloc() {
    return Alloc([](T*) {});
  }

  // Alloc of up to count elements under one hold of the lock, appended to
  // out; it stops at the first that cannot be had. onTake runs as in Alloc.
  template <typename OnTake>
  void AllocMany(size_t count, std::vector<T*>& out, OnTake&& onTake) {
    TLockObj lock(m_Lock);
    for (size_t i = 0; i < count; ++i) {
      if (EmptyCountLocked() <= 0) GrowLocked(m_GrowStep);
      T* element = GetEmptyLocked();
      onTake(element);
      if (element == nullptr) return;
      out.push_back(element);
    }
  }

  // A free element, or null when none is free.
  T* GetEmpty() {
    TLockObj lock(m_Lock);
    return GetEmptyLocked();
  }

  // Puts element at the head of the free list when accept(element), asked
  // under the lock, agrees. Returns whether it was queued.
  template <typename Accept>
  bool Free(T* element, Accept&& accept) {
    TLockObj lock(m_Lock);
    return FreeLocked(element, accept);
  }

  // Free of each element, under one hold of the lock.
  template <typename Accept>
  void FreeMany(const std::vector<T*>& elements, Accept&& accept) {
    TLockObj lock(m_Lock);
    for (T* element : elements) FreeLocked(element, accept);
  }
  void Free(T* element) {
    Free(element, [](T*) { return true; });
  }

  // Elements free.
  int32_t EmptyCount() {
    TLockObj lock(m_Lock);
    return EmptyCountLocked();
  }

  // Elements owned, free or out.
  int32_t Count() {
    TLockObj lock(m_Lock);
    return CountLocked();
  }

  // Allocation tracking, off by default. Switch it on before Init: only
  // elements created while it is on have a record.
  void SetAllocCount(bool on) {
    TLockObj lock(m_Lock);
    m_bAllocCount = on;
  }

  // A copy of element's allocation record; false when it has none.
  bool GetAllocCount(const T* element, tagAllocCount& record) {
    TLockObj lock(m_Lock);
    const tagAllocCount* found = m_Alloc.Find(KeyOf(element));
    if (found != nullptr) record = *found;
    return found != nullptr;
  }

 private:
  static uintptr_t KeyOf(const T* element) { return reinterpret_cast<uintptr_t>(element); }

  int32_t EmptyCountLocked() const REQUIRES(m_Lock) { return static_cast<int32_t>(m_Empty.size()); }
  int32_t CountLocked() const REQUIRES(m_Lock) { return m_List.GetCount(); }

  void GrowLocked(int32_t n) REQUIRES(m_Lock) {
    if (n <= 0) return;
    const auto wanted = static_cast<size_t>(n);
    std::vector<T*> batch;
    try {
      // Room for every element on the free list first, so that putting one
      // there (below, or on a give-back) never needs memory.
      m_Empty.reserve(static_cast<size_t>(CountLocked()) + wanted);
      batch.reserve(wanted);
      while (batch.size() < wanted) {
        std::unique_ptr<T> element = m_Factory();
        if (!element) break;
        m_List.Add(element.get());
        batch.push_back(element.release());
        if (m_bAllocCount) Record(batch.back());
      }
    } catch (const std::bad_alloc&) {
      // The elements made so far are owned by m_List and queued below.
    }
    QueueBehindFree(batch);
    if (batch.size() < wanted) {
      GetLogger()->LogError("AAutoQueue<T> out of memory: %d of %d elements created",
                            static_cast<int32_t>(batch.size()), n);
    }
  }

  template <typename Accept>
  bool FreeLocked(T* element, Accept& accept) REQUIRES(m_Lock) {
    if (!accept(element)) return false;
    m_Empty.push_back(element);
    if (m_bAllocCount) FreeAllocCounter(element);
    if (EmptyCountLocked() > CountLocked()) {
      GetLogger()->LogError("Free Error : EmptyCount(%d) > Count(%d)", EmptyCountLocked(), CountLocked());
    }
    return true;
  }

  // The free list's head is the back of m_Empty; new elements go to its tail
  // (the front), first created first handed out.
  void QueueBehindFree(const std::vector<T*>& batch) REQUIRES(m_Lock) {
    m_Empty.insert(m_Empty.begin(), batch.rbegin(), batch.rend());
  }

  T* GetEmptyLocked() REQUIRES(m_Lock) {
    if (EmptyCountLocked() < 0 || EmptyCountLocked() > CountLocked()) {
      GetLogger()->LogError(" AAutoQueue<T>::GetEmpty EmptyCount(%d)<0 || EmptyCount() > Count(%d)",
                            EmptyCountLocked(), CountLocked());
    }
    if (m_Empty.empty()) return nullptr;
    T* element = m_Empty.back();
    m_Empty.pop_back();
    // The next element handed out was most likely last touched on another
    // thread's core; fetching it now hides that wait behind this take.
    if (!m_Empty.empty()) __builtin_prefetch(m_Empty.back(), 1);
    if (m_bAllocCount) AllocCounter(element);
    return element;
  }

  void Record(const T* element) REQUIRES(m_Lock) {
    auto record = std::make_unique<tagAllocCount>();
    record->m_Element = KeyOf(element);
    if (m_Alloc.AddEx(KeyOf(element), record.get())) {
      record.release();
    } else {
      GetLogger()->LogError(" AAutoQueue<T>::AddElement m_Alloc.AddEx Error");
    }
  }

  void AllocCounter(const T* element) REQUIRES(m_Lock) {
    tagAllocCount* record = m_Alloc.Find(KeyOf(element));
    if (record == nullptr || record->m_Used != 0) {
      GetLogger()->LogError("AAutoQueue<T>::AllocCounter Error");
      return;
    }
    ++record->m_AllocTimes;
    record->m_Used = 1;
  }

  void FreeAllocCounter(const T* element) REQUIRES(m_Lock) {
    tagAllocCount* record = m_Alloc.Find(KeyOf(element));
    if (record == nullptr || record->m_Used == 0) {
      GetLogger()->LogError("AAutoQueue<T>::FreeAllocCounter Error");
      return;
    }
    ++record->m_FreeTimes;
    record->m_Used = 0;
  }

  const ElementFactory m_Factory;
  AList<T> m_List GUARDED_BY(m_Lock){true, 10};  // every element ever created; owns them
  // The free elements; the next to hand out is at the back.
  std::vector<T*> m_Empty GUARDED_BY(m_Lock);
  AIndexList<tagAllocCount> m_Alloc GUARDED_BY(m_Lock){true};
  bool m_bAllocCount GUARDED_BY(m_Lock) = false;
  int32_t m_GrowStep GUARDED_BY(m_Lock) = 1000;
  // Lock order: the innermost lock of the module. A packet-queue lock may be
  // held while it is taken (and the pool's creation guard, while the pool
  // first fills), never the reverse; nothing done under it takes another lock
  // of the module, only the logger's own.
  platform::CriticalSection m_Lock;
};

}  // namespace maplink
