#include <new>

#include "framing/ChPackageDispatcher.h"

extern "C" {

MAPLINK_EXPORT IPackageDispatcher* NewPackageDispatcher() { return new (std::nothrow) ChPackageDispatcher(); }

MAPLINK_EXPORT void FreePackageDispatcher(IPackageDispatcher* dispatcher) {
  // Every dispatcher handed out was made above, so this cast is exact.
  delete static_cast<ChPackageDispatcher*>(dispatcher);
}
}
