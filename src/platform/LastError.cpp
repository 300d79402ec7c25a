#include "platform/LastError.h"

#include <string.h>

namespace maplink::platform {

namespace {
thread_local uint32_t t_LastError = 0;
}

void SetLastError(uint32_t value) { t_LastError = value; }

uint32_t GetLastError() { return t_LastError; }

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return text;
}

}  // namespace maplink::platform
