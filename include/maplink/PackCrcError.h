#pragma once

#include <stdexcept>

#include "maplink/Export.h"

namespace maplink {

// Raised by IPackageDispatcher::RecvData when the CRC trailer of a received
// frame does not match its bytes (only with the CRC switched on). It is the
// only exception that leaves the library; its message is "Pack CRC Error".
// Frames delivered before the bad one in the same call stay delivered; the
// bad frame and everything after it in that call are dropped.
class MAPLINK_EXPORT PackCrcError : public std::runtime_error {
 public:
  PackCrcError();
  ~PackCrcError() override;
};

}  // namespace maplink
