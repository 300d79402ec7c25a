#include "platform/Clock.h"

#include <chrono>

namespace maplink::platform {

namespace {

class SteadyTick final : public Clock {
 public:
  uint32_t NowMs() const override {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    return static_cast<uint32_t>(ms);
  }
};

}  // namespace

const Clock& SystemClock() {
  static const SteadyTick tick;
  return tick;
}

}  // namespace maplink::platform
