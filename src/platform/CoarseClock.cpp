#include "platform/CoarseClock.h"

#include <time.h>

namespace maplink::platform {

namespace {

class CoarseTick final : public Clock {
 public:
  uint32_t NowMs() const override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
  }
};

}  // namespace

const Clock& CoarseClock() {
  static const CoarseTick tick;
  return tick;
}

}  // namespace maplink::platform
