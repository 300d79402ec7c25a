#include "platform/CpuTimes.h"

#include <sys/resource.h>
#include <sys/time.h>

namespace maplink::platform {

namespace {

uint64_t HundredNanoseconds(const timeval& time) {
  return static_cast<uint64_t>(time.tv_sec) * 10000000u + static_cast<uint64_t>(time.tv_usec) * 10u;
}

bool ReadUsage(int who, CpuTimes& times) {
  rusage usage{};
  if (getrusage(who, &usage) != 0) return false;
  times.Kernel = HundredNanoseconds(usage.ru_stime);
  times.User = HundredNanoseconds(usage.ru_utime);
  return true;
}

class RusageTimes final : public CpuTimeSource {
 public:
  bool ReadProcessTimes(CpuTimes& times) const override { return ReadUsage(RUSAGE_SELF, times); }
  bool ReadThreadTimes(CpuTimes& times) const override { return ReadUsage(RUSAGE_THREAD, times); }
};

}  // namespace

const CpuTimeSource& SystemCpuTimes() {
  static const RusageTimes times;
  return times;
}

}  // namespace maplink::platform
