#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "support/MaybeOwned.h"

namespace maplink {

// An ordered list of pointers to T that may own its items. It always holds
// m_Capacity slots; slots at m_ItemCount and beyond are null. When full it
// doubles its capacity. An owning list deletes its items on Clear and on
// destruction. No lock: its users guard it.
template <typename T>
class AList {
 public:
  explicit AList(bool ownsItems, int32_t initialCapacity = 10) : m_OwnsItems(ownsItems) {
    Reset(initialCapacity > 0 ? initialCapacity : 1);
  }
  ~AList() { Clear(); }
  AList(const AList&) = delete;
  AList& operator=(const AList&) = delete;

  // Appends (or, with atFront, inserts at position 0); always true.
  bool Add(T* item, bool atFront = false) {
    GrowWhenFull();
    if (atFront) {
      Insert(0, item);
    } else {
      m_Items[static_cast<size_t>(m_ItemCount)].reset(item);
      ++m_ItemCount;
    }
    return true;
  }

  // Into an empty list the item goes to position 0 whatever the index; into
  // a non-empty one only at an index inside the list, moving the rest up.
  void Insert(int32_t index, T* item) {
    GrowWhenFull();
    if (m_ItemCount == 0) {
      m_Items[0].reset(item);
      m_ItemCount = 1;
      return;
    }
    if (index < 0 || index >= m_ItemCount) return;
    ++m_ItemCount;
    for (int32_t i = m_ItemCount - 1; i > index; --i) {
      m_Items[static_cast<size_t>(i)] = std::move(m_Items[static_cast<size_t>(i - 1)]);
    }
    m_Items[static_cast<size_t>(index)].reset(item);
  }

  // Null outside 0 … count − 1.
  T* Get(int32_t index) const {
    if (index < 0 || index >= m_ItemCount) return nullptr;
    return m_Items[static_cast<size_t>(index)].get();
  }

  int32_t GetCount() const { return m_ItemCount; }
  int32_t GetCapacity() const { return m_Capacity; }
  bool OwnsItems() const { return m_OwnsItems; }

  // Empties the list, deleting the items when it owns them; the slots stay.
  void Clear() {
    for (int32_t i = 0; i < m_ItemCount; ++i) m_Items[static_cast<size_t>(i)].reset();
    m_ItemCount = 0;
  }

 private:
  using Slot = MaybeOwned<T>;

  void Reset(int32_t capacity) {
    m_ItemCount = 0;
    Clear();
    m_Capacity = capacity;
    AppendEmptySlots(capacity);
  }

  void GrowWhenFull() {
    if (m_ItemCount < m_Capacity) return;
    AppendEmptySlots(m_Capacity);
    m_Capacity *= 2;
  }

  void AppendEmptySlots(int32_t count) {
    for (int32_t i = 0; i < count; ++i) m_Items.emplace_back(nullptr, MaybeOwnedDeleter<T>{m_OwnsItems});
  }

  const bool m_OwnsItems;
  std::vector<Slot> m_Items;
  int32_t m_ItemCount = 0;
  int32_t m_Capacity = 0;
};

}  // namespace maplink
