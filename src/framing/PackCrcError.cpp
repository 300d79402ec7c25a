#include "maplink/PackCrcError.h"

namespace maplink {

PackCrcError::PackCrcError() : std::runtime_error("Pack CRC Error") {}

// Defined here so the type's identity lives in libmaplink.so and a host's
// catch clause matches the object the library throws.
PackCrcError::~PackCrcError() = default;

}  // namespace maplink
