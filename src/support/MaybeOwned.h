#pragma once

#include <memory>

namespace maplink {

// A deleter that deletes only when its container owns what it points to:
// for the module's lists, which own their items or merely point at them by a
// choice made when the list is made.
template <typename T>
struct MaybeOwnedDeleter {
  bool owns = false;
  void operator()(T* item) const {
    if (owns) std::default_delete<T>()(item);
  }
};

template <typename T>
using MaybeOwned = std::unique_ptr<T, MaybeOwnedDeleter<T>>;

}  // namespace maplink
