#include "support/LogBinding.h"

#include <gtest/gtest.h>

#include "LogCapture.h"

namespace maplink {
namespace {

using ::testing::ExitedWithCode;

class LogBindingDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(LogBindingDeathTest, EachMissingPieceEndsTheProcessWithItsMessage) {
  struct Case {
    const char* library;
    const char* message;
  };
  const Case cases[] = {
      {"libquillet-missing.so", "Error report\nCan't find quillet.dll!!!Fail to start server!!!"},
      {WITHOUT_GETLOG_PATH, "Error report\nCan't find GetLog function in quillet module!!!Fail to start server!!!"},
      {WITHOUT_LOGFREE_PATH,
       "Error report\nCan't find Log_Free function in quillet module!!!Fail to start server!!!"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(LogBinding(c.library).GetLogger(), ExitedWithCode(1), c.message) << c.library;
  }
}

TEST(LogBindingTest, ModuleBindingReachesTheLibraryNamedLibquillet) {
  test::LogCapture capture;
  GetLogger()->LogWarn("%s Huge Packet Len:%d", "place", 70000);
  EXPECT_EQ(capture.Count(test::LogLevel::Warn, "place Huge Packet Len:70000"), 1);
}

TEST(LogBindingTest, MessageBytesPassUnchanged) {
  test::LogCapture capture;
  const char* gbk = "\xb7\xe2\xb0\xfc\xb4\xed\xce\xf3:0x%x";  // "封包错误:0x%x" in GBK
  GetLogger()->LogWarn(gbk, 0x4241);
  EXPECT_TRUE(capture.Contains(test::LogLevel::Warn, "\xb7\xe2\xb0\xfc\xb4\xed\xce\xf3:0x4241"));
}

}  // namespace
}  // namespace maplink
