#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "support/MaybeOwned.h"

namespace maplink {

// Values of type T under unsigned keys, kept in ascending key order and found
// by binary search. An owning list deletes its values when cleared or
// destroyed. No lock: its users guard it.
template <typename T>
class AIndexList {
 public:
  using Key = uintptr_t;

  explicit AIndexList(bool ownsValues) : m_OwnsValues(ownsValues) {}
  AIndexList(const AIndexList&) = delete;
  AIndexList& operator=(const AIndexList&) = delete;

  // Inserts value under key; false (and nothing stored or taken over) when
  // the key is already present.
  bool AddEx(Key key, T* value) {
    const auto place = LowerBound(key);
    if (place != m_Items.end() && place->first == key) return false;
    m_Items.emplace(place, key, Value(value, MaybeOwnedDeleter<T>{m_OwnsValues}));
    return true;
  }

  // The value under key, or null.
  T* Find(Key key) const {
    const auto place = LowerBound(key);
    return place != m_Items.end() && place->first == key ? place->second.get() : nullptr;
  }

  int32_t GetCount() const { return static_cast<int32_t>(m_Items.size()); }
  void Clear() { m_Items.clear(); }

 private:
  using Value = MaybeOwned<T>;
  using Item = std::pair<Key, Value>;

  auto LowerBound(Key key) const {
    return std::lower_bound(m_Items.begin(), m_Items.end(), key,
                            [](const Item& item, Key wanted) { return item.first < wanted; });
  }

  const bool m_OwnsValues;
  std::vector<Item> m_Items;
};

}  // namespace maplink
