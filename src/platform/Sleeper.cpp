#include "platform/Sleeper.h"

#include <chrono>
#include <thread>

namespace maplink::platform {

namespace {

class ThisThreadSleeper final : public Sleeper {
 public:
  void SleepMs(uint32_t milliseconds) const override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

const Sleeper& SystemSleeper() {
  static const ThisThreadSleeper sleeper;
  return sleeper;
}

}  // namespace maplink::platform
