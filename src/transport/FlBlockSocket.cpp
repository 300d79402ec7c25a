#include "transport/FlBlockSocket.h"

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/LastError.h"
#include "support/TLockObj.h"
#include "support/TextFormat.h"

using maplink::FormatText;
using maplink::TLockObj;
namespace platform = maplink::platform;

namespace {

int LastSocketError() { return static_cast<int>(platform::GetLastError()); }

// Counts one call as a user of the socket handle for its span.
class HandleUse {
 public:
  explicit HandleUse(std::atomic<int>& users) : m_Users(users) { m_Users.fetch_add(1); }
  ~HandleUse() { m_Users.fetch_sub(1); }
  HandleUse(const HandleUse&) = delete;
  HandleUse& operator=(const HandleUse&) = delete;

 private:
  std::atomic<int>& m_Users;
};

}  // namespace

FlBlockSocket::FlBlockSocket() = default;

FlBlockSocket::~FlBlockSocket() { Close(); }

bool FlBlockSocket::Connect(const char* host, uint16_t port) {
  const platform::SocketHandle active = m_Socket.load();
  if (active != platform::kNoSocket || m_bConnected.load()) {
    SetLastErrorText(FormatText("socket is active:%d", active));
    return false;
  }

  const platform::SocketHandle socket = platform::OpenTcpSocket();
  if (socket == platform::kNoSocket) {
    SetLastErrorText(FormatText("socket() generated error %d\n", LastSocketError()));
    return false;
  }
  m_Socket.store(socket);

  const char* remoteHost = host != nullptr ? host : "";
  uint32_t remote = 0;
  if (!platform::ParseDottedAddress(remoteHost, remote) && !platform::ResolveIPv4(remoteHost, remote)) {
    SetLastErrorText(FormatText("FlBlockSocket::socket() generated error %d\n", LastSocketError()));
    Close();
    return false;
  }

  if (!m_BindIP.empty()) {
    uint32_t local = 0;
    const bool parsed = platform::ParseDottedAddress(m_BindIP.c_str(), local);
    if (!parsed) platform::SetLastError(EINVAL);
    // The socket stays open and unconnected: Connect refuses until Close.
    if (!parsed || !platform::BindIPv4(socket, local, 0)) {
      SetLastErrorText(
          FormatText("FlBlockSocket::Start bind Socket fail,WSAGetLastError=%d", LastSocketError()));
      return false;
    }
  }

  platform::SetSocketTimeouts(socket, m_TimeOut);

  if (!platform::ConnectIPv4(socket, remote, port)) {
    SetLastErrorText(FormatText("FlBlockSocket::connect() generated error %d\n", LastSocketError()));
    Close();
    return false;
  }
  m_bConnected.store(true);
  return true;
}

int32_t FlBlockSocket::Send(const char* data, int32_t len) {
  const HandleUse use(m_HandleUsers);
  if (!IsConnected()) return RefuseNotConnected();
  return platform::SendSome(m_Socket.load(), data, len);
}

int32_t FlBlockSocket::Recv(char* buf, int32_t size) {
  const HandleUse use(m_HandleUsers);
  if (!IsConnected()) return RefuseNotConnected();
  return platform::ReceiveSome(m_Socket.load(), buf, size);
}

int FlBlockSocket::GetRecvSize() {
  const HandleUse use(m_HandleUsers);
  int32_t count = 0;
  return platform::PendingReceiveBytes(m_Socket.load(), count) ? count : 0;
}

bool FlBlockSocket::IsConnected() { return m_bConnected.load(); }

void FlBlockSocket::Close() {
  const platform::SocketHandle socket = m_Socket.exchange(platform::kNoSocket);
  m_bConnected.store(false);
  if (socket == platform::kNoSocket) return;
  // A close alone would leave a receive blocked in another thread waiting;
  // after the shutdown every call still using the handle returns at once.
  platform::ShutdownSocket(socket);
  // A call that counted itself after the exchange above sees no handle.
  while (m_HandleUsers.load() != 0) std::this_thread::yield();
  platform::CloseSocket(socket);
}

void FlBlockSocket::Shutdown() {
  const HandleUse use(m_HandleUsers);
  const platform::SocketHandle socket = m_Socket.load();
  if (socket != platform::kNoSocket) platform::ShutdownSocket(socket);
}

platform::SocketHandle FlBlockSocket::DuplicateHandle() {
  const HandleUse use(m_HandleUsers);
  const platform::SocketHandle socket = m_Socket.load();
  return socket == platform::kNoSocket ? platform::kNoSocket : platform::DuplicateSocket(socket);
}

platform::SocketHandle FlBlockSocket::GetSocket() { return m_Socket.load(); }

void FlBlockSocket::SetTimeOut(int32_t ms) { m_TimeOut = ms; }

int FlBlockSocket::GetTimeOut() { return m_TimeOut; }

void FlBlockSocket::SetBindIP(const char* ip) { m_BindIP = ip != nullptr ? ip : ""; }

const char* FlBlockSocket::GetLastErrorText() {
  // Another thread's failure may replace the text at any time; the calling
  // thread's own copy stays as it is.
  thread_local std::string copy;
  TLockObj lock(m_LastErrorLock);
  copy = m_LastError;
  return copy.c_str();
}

void FlBlockSocket::SetLastErrorText(std::string text) {
  TLockObj lock(m_LastErrorLock);
  m_LastError = std::move(text);
}

int32_t FlBlockSocket::RefuseNotConnected() {
  SetLastErrorText("not connected");
  platform::SetLastError(ENOTCONN);
  return -1;
}
