#pragma once

// A stand-in for libquillet.so that keeps every line in memory, so tests can
// see what the module logged. Test programs link it; it carries the soname
// libquillet.so, so the module's own load of "libquillet.so" finds it.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#define LOG_CAPTURE_API __attribute__((visibility("default")))

namespace maplink::test {

enum class LogLevel { Debug, Info, Warn, Error, Critical };

struct LogLine {
  LogLevel level;
  std::string text;
};

// Empties the captured lines when constructed, so each test sees its own.
class LOG_CAPTURE_API LogCapture {
 public:
  LogCapture();

  std::vector<LogLine> Lines() const;
  // The texts of the lines at one level, in logged order.
  std::vector<std::string> Texts(LogLevel level) const;
  // Number of lines at this level whose text contains the fragment.
  int Count(LogLevel level, std::string_view fragment) const;
  bool Contains(LogLevel level, std::string_view fragment) const { return Count(level, fragment) > 0; }
  // Waits until a line at this level contains the fragment; false on time-out.
  bool WaitFor(LogLevel level, std::string_view fragment,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  void Clear();
};

}  // namespace maplink::test
