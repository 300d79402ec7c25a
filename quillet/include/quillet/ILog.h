#pragma once

// quillet: the logging library that maplink loads at run time.
//
// The library exports two C functions:
//   ILog* GetLog();   the process-wide logger, created on the first call.
//   void  Log_Free(); flushes and releases it; call it at most once, at
//                     shutdown, when no thread logs any more.
//
// Every Log* operation takes a printf-style format and its arguments. The
// formatted bytes are written unchanged (some messages are GBK-encoded).
// All operations are safe to call from many threads at once. The order of
// the operations below is part of the binary interface and never changes.

#if defined(__GNUC__)
#define QUILLET_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QUILLET_PRINTF_FORMAT(fmt, args)
#endif

class ILog {
 public:
  virtual void LogDebug(const char* format, ...) QUILLET_PRINTF_FORMAT(2, 3) = 0;
  virtual void LogInfo(const char* format, ...) QUILLET_PRINTF_FORMAT(2, 3) = 0;
  virtual void LogWarn(const char* format, ...) QUILLET_PRINTF_FORMAT(2, 3) = 0;
  virtual void LogError(const char* format, ...) QUILLET_PRINTF_FORMAT(2, 3) = 0;
  virtual void LogCritical(const char* format, ...) QUILLET_PRINTF_FORMAT(2, 3) = 0;
  // Writes out everything logged so far.
  virtual void Flush() = 0;

 protected:
  ~ILog() = default;
};

extern "C" {
using GetLogFunction = ILog* (*)();
using LogFreeFunction = void (*)();
}
