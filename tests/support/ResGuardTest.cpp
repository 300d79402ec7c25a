#include "support/ResGuard.h"

#include <gtest/gtest.h>

#include <future>

#include "support/TLockObj.h"

namespace {

using namespace std::chrono_literals;

// True when another thread can take the guard now. If it cannot, the guard is
// left once from this thread (which holds it) so the helper thread ends.
bool OtherThreadCanEnter(SingletonEx::CResGuard& guard) {
  auto entered = std::async(std::launch::async, [&] {
    guard.Enter();
    guard.Leave();
  });
  if (entered.wait_for(10s) == std::future_status::ready) return true;
  guard.Leave();
  return false;
}

bool OtherThreadCanTake(maplink::platform::CriticalSection& section) {
  return std::async(std::launch::async, [&] {
           if (!section.try_lock()) return false;
           section.unlock();
           return true;
         }).get();
}

TEST(ResGuardTest, NestedEnterAndLeaveBalanceTheCount) {
  SingletonEx::CResGuard guard;
  guard.Enter();
  guard.Enter();
  EXPECT_EQ(guard.GetLockCount(), 2);
  guard.Leave();
  guard.Leave();
  EXPECT_EQ(guard.GetLockCount(), 0);
  EXPECT_TRUE(OtherThreadCanEnter(guard));
}

TEST(ResGuardTest, CGuardHoldsForItsScope) {
  SingletonEx::CResGuard guard;
  {
    SingletonEx::CResGuard::CGuard hold(guard);
    EXPECT_EQ(guard.GetLockCount(), 1);
  }
  EXPECT_EQ(guard.GetLockCount(), 0);
  EXPECT_TRUE(OtherThreadCanEnter(guard));
}

TEST(TLockObjTest, HoldsTheSectionUntilTheScopeEnds) {
  maplink::platform::CriticalSection section;
  {
    maplink::TLockObj hold(section);
    EXPECT_FALSE(OtherThreadCanTake(section));
  }
  EXPECT_TRUE(OtherThreadCanTake(section));
}

}  // namespace
