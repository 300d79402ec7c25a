#pragma once

#include <cstdint>
#include <deque>

namespace maplink {

// A first-in first-out sequence of pointers to T, unbounded, with constant
// time push and pop. It never frees what its entries point to; destroying it
// drops any pointers left. A null pointer is an entry like any other. No lock:
// its users guard it.
template <typename T>
class AQueue {
 public:
  AQueue() = default;
  AQueue(const AQueue&) = delete;
  AQueue& operator=(const AQueue&) = delete;

  void Push(T* item) { m_Items.push_back(item); }

  // Removes and returns the front entry; null when empty (or when the entry is null).
  T* Pop() {
    if (m_Items.empty()) return nullptr;
    T* item = m_Items.front();
    m_Items.pop_front();
    return item;
  }

  // The front entry, left in place; null when empty.
  T* Front() const { return m_Items.empty() ? nullptr : m_Items.front(); }

  bool IsEmpty() const { return m_Items.empty(); }
  int32_t Count() const { return static_cast<int32_t>(m_Items.size()); }

 private:
  std::deque<T*> m_Items;
};

}  // namespace maplink
