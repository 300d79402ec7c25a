#include "platform/CriticalSection.h"

#include <gtest/gtest.h>

#include <future>

namespace maplink::platform {
namespace {

bool OtherThreadCanEnter(CriticalSection& lock) {
  return std::async(std::launch::async, [&] {
           if (!lock.try_lock()) return false;
           lock.unlock();
           return true;
         }).get();
}

TEST(CriticalSectionTest, HolderMayEnterAgainAndEveryEntryNeedsItsLeave) {
  CriticalSection lock;
  lock.lock();
  ASSERT_TRUE(lock.try_lock());  // same thread: enters again
  lock.unlock();
  EXPECT_FALSE(OtherThreadCanEnter(lock)) << "one leave of two entries must keep it held";
  lock.unlock();
  EXPECT_TRUE(OtherThreadCanEnter(lock));
}

}  // namespace
}  // namespace maplink::platform
