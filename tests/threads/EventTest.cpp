#include <gtest/gtest.h>

#include "platform/Event.h"
#include "threads/KestThreadEvent.h"

namespace maplink {
namespace {

using platform::kInfinite;
using platform::WaitResult;

TEST(EventTest, ManualResetStaysSetForEveryWaitUntilReset) {
  platform::Event event;
  EXPECT_EQ(event.WaitFor(0), WaitResult::Timeout) << "initially clear";
  EXPECT_EQ(event.WaitFor(5), WaitResult::Timeout);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(0), WaitResult::Signaled);
  EXPECT_EQ(event.WaitFor(kInfinite), WaitResult::Signaled);
  EXPECT_EQ(event.WaitFor(0), WaitResult::Signaled) << "a wait does not reset it";
  event.ResetEvent();
  EXPECT_EQ(event.WaitFor(0), WaitResult::Timeout);
}

TEST(KestThreadEventTest, DisabledWaitingAnswersAbandonedAtOnceSetOrNot) {
  KestThreadEvent event;
  EXPECT_FALSE(event.IsOwnedByThread());
  event.DisableWait();
  EXPECT_EQ(event.WaitFor(kInfinite), WaitResult::Abandoned);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(kInfinite), WaitResult::Abandoned);
  event.SetOwnedByThread(true);
  EXPECT_TRUE(event.IsOwnedByThread());
}

}  // namespace
}  // namespace maplink
