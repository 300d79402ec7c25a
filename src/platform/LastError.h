#pragma once

#include <cstdint>
#include <string>

namespace maplink::platform {

// The calling thread's last-error value. Each thread has its own; socket
// failures store errno here, and callers read it after a failed call.
void SetLastError(uint32_t value);
uint32_t GetLastError();

// The system's message text for an error number, e.g. "Connection refused".
std::string SystemErrorText(int errorNumber);

}  // namespace maplink::platform
