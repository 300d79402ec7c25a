#pragma once

#include "platform/Clock.h"

namespace maplink::platform {

// The 32-bit millisecond tick from the coarse monotonic clock: it moves in
// steps of a few milliseconds but costs a tenth of SystemClock() to read,
// for code that reads the tick on every pass of a hot loop and only
// compares spans of a second or more. Safe to call from any thread.
const Clock& CoarseClock();

}  // namespace maplink::platform
