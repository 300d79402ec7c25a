#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/LastError.h"
#include "platform/SocketSender.h"

namespace maplink::test {

// A send seam that writes through the real socket and records the length
// asked for in every call. It can cap each call (partial writes), make one
// call fail with a chosen errno, or make one call throw. One thread.
class RecordingSender final : public platform::SocketSender {
 public:
  int32_t Send(platform::SocketHandle socket, const void* data, int32_t length) override {
    const int call = static_cast<int>(m_Lengths.size());
    m_Lengths.push_back(length);
    if (call == m_ThrowingCall) throw std::runtime_error("send seam throws");
    if (call == m_FailingCall) {
      platform::SetLastError(static_cast<uint32_t>(m_FailingError));
      return -1;
    }
    return platform::SystemSocketSender().Send(socket, data, std::min(length, m_MostPerCall));
  }

  // The lengths of the calls so far, in order.
  const std::vector<int32_t>& Lengths() const { return m_Lengths; }

  // The call that comes "callsFromNow" calls after the last one fails.
  void FailCall(int callsFromNow, int errorNumber) {
    m_FailingCall = static_cast<int>(m_Lengths.size()) + callsFromNow;
    m_FailingError = errorNumber;
  }
  void ThrowOnNextCall() { m_ThrowingCall = static_cast<int>(m_Lengths.size()); }
  void LimitEachCallTo(int32_t bytes) { m_MostPerCall = bytes; }

 private:
  std::vector<int32_t> m_Lengths;
  int m_FailingCall = -1;
  int m_FailingError = 0;
  int m_ThrowingCall = -1;
  int32_t m_MostPerCall = INT32_MAX;
};

}  // namespace maplink::test
