#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "LogCapture.h"
#include "threads/WriteThreadLog.h"

namespace maplink {
namespace {

// Whether text has the form of the pattern, where '0' stands for any digit.
bool HasForm(const std::string& text, const std::string& pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (pattern[i] == '0' ? !digit : text[i] != pattern[i]) return false;
  }
  return true;
}

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
  const std::string text = line;
  const size_t tab = text.find('\t');
  ASSERT_NE(tab, std::string::npos) << text;
  EXPECT_TRUE(HasForm(text.substr(0, tab), "0000-00-00 00:00:00")) << text;
  EXPECT_EQ(text.substr(tab + 1), "Recv%s Thread Exit\n");
}

}  // namespace
}  // namespace maplink
