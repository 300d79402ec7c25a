#include "threads/WriteThreadLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>

#include "LogCapture.h"

namespace maplink {
namespace {

TEST(WriteThreadLogTest, TextReachesTheLoggerAsItIsNeverAsAFormat) {
  test::LogCapture capture;
  const std::string text = "Send%sTo%nGame%d 100%";
  WriteThreadLog(text);
  ASSERT_EQ(capture.Lines().size(), 1u);
  EXPECT_EQ(capture.Lines()[0].level, test::LogLevel::Info);
  EXPECT_EQ(capture.Lines()[0].text, text);
}

TEST(WriteThreadLogTest, ConsoleLineIsDateAndTimeTabTextNewline) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> console(std::tmpfile(), &std::fclose);
  ASSERT_NE(console, nullptr);
  WriteThreadConsoleLine(console.get(), "Recv%s Thread Exit");
  std::rewind(console.get());
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, console.get()), nullptr);
  EXPECT_TRUE(std::regex_match(line, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tRecv%s Thread Exit\n")))
      << line;
}

}  // namespace
}  // namespace maplink
