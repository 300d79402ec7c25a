#pragma once

#include <cstdint>

namespace maplink::platform {

// CPU time spent in the kernel and in user code, in 100-nanosecond units.
struct CpuTimes {
  uint64_t Kernel = 0;
  uint64_t User = 0;
};

// Reads the CPU times of the whole process and of the calling thread. A
// seam, so tests hand in figures of their choosing.
class CpuTimeSource {
 public:
  // False, with "times" untouched, when the system cannot tell.
  virtual bool ReadProcessTimes(CpuTimes& times) const = 0;
  virtual bool ReadThreadTimes(CpuTimes& times) const = 0;

 protected:
  ~CpuTimeSource() = default;
};

// The system's figures, from getrusage. Safe to call from any thread.
const CpuTimeSource& SystemCpuTimes();

}  // namespace maplink::platform
