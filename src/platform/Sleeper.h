#pragma once

#include <cstdint>

namespace maplink::platform {

// Puts the calling thread to sleep. A seam, so tests see the sleeps a
// thread asks for without spending the time.
class Sleeper {
 public:
  virtual void SleepMs(uint32_t milliseconds) const = 0;

 protected:
  ~Sleeper() = default;
};

// The system's sleep. Safe to call from any thread.
const Sleeper& SystemSleeper();

}  // namespace maplink::platform
