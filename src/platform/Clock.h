#pragma once

#include <cstdint>

namespace maplink::platform {

// A 32-bit millisecond tick that wraps at 2^32. Differences between two
// readings are taken in unsigned 32-bit arithmetic, so a wrap between them
// does not disturb the result. Code that reads the tick takes a Clock it can
// be handed, so tests move time by hand instead of sleeping.
class Clock {
 public:
  virtual uint32_t NowMs() const = 0;

 protected:
  ~Clock() = default;
};

// The system tick, from the monotonic clock. Safe to call from any thread.
const Clock& SystemClock();

}  // namespace maplink::platform
