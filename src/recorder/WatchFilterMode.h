#pragma once

#include <cstdint>

namespace maplink {

// Which records a direction's view shows, and which new records raise its
// notification.
enum WatchFilterMode : int32_t {
  wfNone = 0,       // every record
  wfHideMatch = 1,  // records that match no watch string
  wfShowMatch = 2,  // records that match at least one watch string
};

}  // namespace maplink
