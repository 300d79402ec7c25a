// The logger behind GetLog: one rotating log file per process, written by
// spdlog from any number of threads.
//
// Settings come from the environment, read once when the logger is created:
//   QUILLET_LOG_DIR   folder of the log file (default "log", created if missing)
//   QUILLET_LOG_NAME  file name (default "quillet.log")
//   QUILLET_LEVEL     lowest level written: debug, info, warn, error, critical
//                     (default info)

#include <quillet/ILog.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#define QUILLET_EXPORT __attribute__((visibility("default")))

namespace {

constexpr size_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr size_t kMaxFiles = 5;

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return (value != nullptr && *value != '\0') ? value : fallback;
}

class FileLog final : public ILog {
 public:
  FileLog() {
    const std::filesystem::path folder = EnvOr("QUILLET_LOG_DIR", "log");
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
        (folder / EnvOr("QUILLET_LOG_NAME", "quillet.log")).string(), kMaxFileBytes, kMaxFiles);
    m_Logger = std::make_shared<spdlog::logger>("quillet", std::move(sink));
    m_Logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%l] [tid %t] %v");
    m_Logger->set_level(spdlog::level::from_str(EnvOr("QUILLET_LEVEL", "info")));
    m_Logger->flush_on(spdlog::level::warn);
  }

  ~FileLog() { m_Logger->flush(); }

  void LogDebug(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Write(spdlog::level::debug, format, args);
    va_end(args);
  }
  void LogInfo(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Write(spdlog::level::info, format, args);
    va_end(args);
  }
  void LogWarn(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Write(spdlog::level::warn, format, args);
    va_end(args);
  }
  void LogError(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Write(spdlog::level::err, format, args);
    va_end(args);
  }
  void LogCritical(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    Write(spdlog::level::critical, format, args);
    va_end(args);
  }
  void Flush() override { m_Logger->flush(); }

 private:
  void Write(spdlog::level::level_enum level, const char* format, va_list args) {
    if (!m_Logger->should_log(level)) return;
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return;
    if (static_cast<size_t>(length) < sizeof small) {
      m_Logger->log(level, spdlog::string_view_t(small, static_cast<size_t>(length)));
      return;
    }
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, args);
    m_Logger->log(level, spdlog::string_view_t(large.data(), static_cast<size_t>(length)));
  }

  std::shared_ptr<spdlog::logger> m_Logger;
};

std::mutex g_LogMutex;
std::unique_ptr<FileLog> g_Log;

}  // namespace

extern "C" QUILLET_EXPORT ILog* GetLog() {
  std::lock_guard<std::mutex> lock(g_LogMutex);
  if (!g_Log) g_Log = std::make_unique<FileLog>();
  return g_Log.get();
}

extern "C" QUILLET_EXPORT void Log_Free() {
  std::lock_guard<std::mutex> lock(g_LogMutex);
  g_Log.reset();
}
