#include <quillet/ILog.h>

#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "LogCapture.h"

namespace maplink::test {

namespace {

class CaptureLog final : public ILog {
 public:
  void LogDebug(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Store(LogLevel::Debug, format, args);
    va_end(args);
  }
  void LogInfo(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Store(LogLevel::Info, format, args);
    va_end(args);
  }
  void LogWarn(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Store(LogLevel::Warn, format, args);
    va_end(args);
  }
  void LogError(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Store(LogLevel::Error, format, args);
    va_end(args);
  }
  void LogCritical(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Store(LogLevel::Critical, format, args);
    va_end(args);
  }
  void Flush() override {}

  std::vector<LogLine> Lines() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Lines;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Lines.clear();
  }

  template <typename Predicate>
  bool WaitUntil(std::chrono::milliseconds timeout, Predicate matches) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Added.wait_for(lock, timeout, [&] { return matches(m_Lines); });
  }

 private:
  void Store(LogLevel level, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
      text.resize(static_cast<size_t>(length) + 1);
      std::vsnprintf(text.data(), text.size(), format, args);
      text.pop_back();
    }
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_Lines.push_back({level, std::move(text)});
    }
    m_Added.notify_all();
  }

  std::mutex m_Mutex;
  std::condition_variable m_Added;
  std::vector<LogLine> m_Lines;
};

CaptureLog& TheLog() {
  static CaptureLog& log = *new CaptureLog();
  return log;
}

bool Matches(const LogLine& line, LogLevel level, std::string_view fragment) {
  return line.level == level && line.text.find(fragment) != std::string::npos;
}

}  // namespace

LogCapture::LogCapture() { Clear(); }

std::vector<LogLine> LogCapture::Lines() const { return TheLog().Lines(); }

std::vector<std::string> LogCapture::Texts(LogLevel level) const {
  std::vector<std::string> texts;
  for (const LogLine& line : Lines()) {
    if (line.level == level) texts.push_back(line.text);
  }
  return texts;
}

int LogCapture::Count(LogLevel level, std::string_view fragment) const {
  int count = 0;
  for (const LogLine& line : Lines()) count += Matches(line, level, fragment) ? 1 : 0;
  return count;
}

bool LogCapture::WaitFor(LogLevel level, std::string_view fragment, std::chrono::milliseconds timeout) const {
  return TheLog().WaitUntil(timeout, [&](const std::vector<LogLine>& lines) {
    for (const LogLine& line : lines) {
      if (Matches(line, level, fragment)) return true;
    }
    return false;
  });
}

void LogCapture::Clear() { TheLog().Clear(); }

}  // namespace maplink::test

extern "C" LOG_CAPTURE_API ILog* GetLog() { return &maplink::test::TheLog(); }

extern "C" LOG_CAPTURE_API void Log_Free() {}
