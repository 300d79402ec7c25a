#pragma once

#include "platform/Clock.h"
#include "platform/CoarseClock.h"
#include "platform/CpuTimes.h"
#include "platform/Sleeper.h"

namespace maplink {

class ThreadManager;

// What a thread object draws on besides its own fields: the manager that
// makes (and owns) its event, the millisecond clock and the CPU times its
// figures are sampled from, and the sleep its run loop takes. Each must
// outlive every thread object given it.
struct ThreadContext {
  ThreadManager& Manager;
  // Read after every call of a thread's function, so the cheap one.
  const platform::Clock& Clock = platform::CoarseClock();
  const platform::CpuTimeSource& CpuTimes = platform::SystemCpuTimes();
  const platform::Sleeper& Sleeper = platform::SystemSleeper();
};

}  // namespace maplink
