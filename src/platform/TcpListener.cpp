#include "platform/TcpListener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/LastError.h"

namespace maplink::platform {

namespace {

void StoreErrno() { SetLastError(static_cast<uint32_t>(errno)); }

}  // namespace

std::unique_ptr<TcpListener> TcpListener::Open(const char* dottedAddress, uint16_t port) {
  uint32_t address = 0;
  if (!ParseDottedAddress(dottedAddress, address)) {
    SetLastError(EINVAL);
    return nullptr;
  }
  UniqueSocket socket(OpenTcpSocket());
  if (!socket.IsOpen()) return nullptr;
  const int reuse = 1;  // a restarted server may bind its port again at once
  setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  if (!BindIPv4(socket.Get(), address, port)) return nullptr;
  sockaddr_in bound{};
  socklen_t boundLength = sizeof bound;
  if (listen(socket.Get(), SOMAXCONN) != 0 ||
      getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
    StoreErrno();
    return nullptr;
  }
  return std::unique_ptr<TcpListener>(new TcpListener(std::move(socket), ntohs(bound.sin_port)));
}

UniqueSocket TcpListener::Accept(int32_t timeoutMilliseconds) {
  pollfd waiting{m_Socket.Get(), POLLIN, 0};
  int ready;
  do {
    ready = poll(&waiting, 1, timeoutMilliseconds);
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) SetLastError(ETIMEDOUT);
  if (ready < 0) StoreErrno();
  if (ready <= 0) return UniqueSocket();
  UniqueSocket accepted(accept4(m_Socket.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  if (!accepted.IsOpen()) StoreErrno();
  return accepted;
}

}  // namespace maplink::platform
