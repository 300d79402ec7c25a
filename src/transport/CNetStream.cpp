#include "transport/CNetStream.h"

#include <cerrno>

#include "platform/LastError.h"
#include "support/LogBinding.h"

namespace platform = maplink::platform;

namespace {

constexpr int32_t kStreamBufferSize = 8192;

// A write that could not be carried out: one critical line, result 0. The
// address is logged as a 32-bit number, its low half on a 64-bit host.
int32_t ReportFault(const char* lpData, int32_t len) {
  maplink::GetLogger()->LogCritical("CNetStream::SendBuf_o, lpData = %d, len = %d",
                                    static_cast<int32_t>(reinterpret_cast<uintptr_t>(lpData)), len);
  return 0;
}

}  // namespace

CNetStream::CNetStream(platform::SocketHandle socket, platform::SocketSender& sender)
    : m_Socket(socket), m_Buffer(kStreamBufferSize), m_Sender(sender) {}

int32_t CNetStream::SendBuf_o(const char* lpData, int32_t len) {
  if (len < 0) {
    maplink::GetLogger()->LogWarn("CNetStream::SendBuf_o, refused negative len = %d", len);
    platform::SetLastError(EINVAL);
    return -1;
  }
  if (len > 0 && lpData == nullptr) {
    platform::SetLastError(EFAULT);
    return ReportFault(lpData, len);
  }
  try {
    return len == 0 ? Flush() : Write(lpData, len);
  } catch (...) {
    return ReportFault(lpData, len);
  }
}

int32_t CNetStream::SendAll(const char* data, int32_t len) {
  if (len < 0) {
    platform::SetLastError(EINVAL);
    return -1;
  }
  int32_t sent = 0;
  do {
    const int32_t result = m_Sender.Send(m_Socket, data + sent, len - sent);
    if (result <= 0) return result;
    sent += result;
  } while (sent < len);
  return len;
}

int32_t CNetStream::Flush() {
  if (m_Buffer.GetLen() <= 0) {
    platform::SetLastError(ERROR_NOTHING_TO_SEND);
    return 0;
  }
  const int32_t result = SendAll(m_Buffer.GetData(), m_Buffer.GetLen());
  if (result > 0) m_Buffer.Reset();
  return result;
}

int32_t CNetStream::Write(const char* lpData, int32_t len) {
  if (m_Buffer.Append(lpData, len)) return len;
  if (m_Buffer.GetLen() > 0) {
    const int32_t result = SendAll(m_Buffer.GetData(), m_Buffer.GetLen());
    if (result <= 0) return result;
  }
  m_Buffer.Reset();
  if (m_Buffer.Append(lpData, len)) return len;
  return SendAll(lpData, len);
}
