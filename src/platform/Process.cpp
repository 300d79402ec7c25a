#include "platform/Process.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace maplink::platform {

namespace {

std::string FormatLocalTime(const char* format) {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char text[64];
  const size_t length = strftime(text, sizeof text, format, &local);
  return std::string(text, length);
}

}  // namespace

void FatalErrorExit(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
  _exit(1);
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

uint64_t PeakResidentKilobytes() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<uint64_t>(usage.ru_maxrss);
}

std::string LocalTimeOfDayText() { return FormatLocalTime("%H:%M:%S"); }

std::string LocalDateTimeText() { return FormatLocalTime("%Y-%m-%d %H:%M:%S"); }

}  // namespace maplink::platform
