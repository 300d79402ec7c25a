#include <gtest/gtest.h>

#include "platform/CoarseClock.h"

namespace maplink::platform {
namespace {

TEST(CoarseClockTest, ReadsTheSameTickAsTheSystemClockWithinItsSteps) {
  const uint32_t fine = SystemClock().NowMs();
  const uint32_t coarse = CoarseClock().NowMs();
  const uint32_t fineAfter = SystemClock().NowMs();
  // Both count milliseconds of the monotonic clock; the coarse one lags by
  // at most one scheduler tick (10 ms at the slowest), and never leads.
  const auto lag = static_cast<int32_t>(fine - coarse);
  const auto lead = static_cast<int32_t>(coarse - fineAfter);
  EXPECT_LE(lag, 20) << fine << " " << coarse;
  EXPECT_LE(lead, 0) << coarse << " " << fineAfter;
}

}  // namespace
}  // namespace maplink::platform
