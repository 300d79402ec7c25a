#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace maplink::platform {
namespace {

TEST(LastErrorTest, EachThreadHasItsOwnValue) {
  SetLastError(0x20000001);
  uint32_t seenByOtherThread = 1;
  std::thread other([&] {
    seenByOtherThread = GetLastError();
    SetLastError(42);
  });
  other.join();
  EXPECT_EQ(seenByOtherThread, 0u);
  EXPECT_EQ(GetLastError(), 0x20000001u);
}

TEST(LastErrorTest, SystemErrorTextNamesTheError) {
  EXPECT_EQ(SystemErrorText(ECONNREFUSED), "Connection refused");
  EXPECT_FALSE(SystemErrorText(123456).empty());
}

}  // namespace
}  // namespace maplink::platform
