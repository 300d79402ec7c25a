#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"

namespace maplink::platform {

namespace {

bool Failed() {
  SetLastError(static_cast<uint32_t>(errno));
  return false;
}

int32_t RefuseLength() {
  SetLastError(EINVAL);
  return -1;
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = address;
  return result;
}

int ResolutionErrorNumber(int result) {
  switch (result) {
    case EAI_SYSTEM:
      return errno;
    case EAI_AGAIN:
      return EAGAIN;
    case EAI_MEMORY:
      return ENOMEM;
    default:
      return EHOSTUNREACH;
  }
}

}  // namespace

SocketHandle OpenTcpSocket() {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) {
    Failed();
    return kNoSocket;
  }
  return handle;
}

bool ParseDottedAddress(const char* text, uint32_t& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text, &parsed) != 1) return false;
  address = parsed.s_addr;
  return true;
}

bool ResolveIPv4(const char* host, uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = getaddrinfo(host, nullptr, &hints, &found);
  if (result != 0) {
    SetLastError(static_cast<uint32_t>(ResolutionErrorNumber(result)));
    return false;
  }
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return true;
}

bool BindIPv4(SocketHandle socket, uint32_t address, uint16_t port) {
  const sockaddr_in local = MakeAddress(address, port);
  if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return Failed();
  return true;
}

void SetSocketTimeouts(SocketHandle socket, int32_t milliseconds) {
  timeval timeout{};
  if (milliseconds > 0) {
    timeout.tv_sec = milliseconds / 1000;
    timeout.tv_usec = (milliseconds % 1000) * 1000;
  }
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

bool ConnectIPv4(SocketHandle socket, uint32_t address, uint16_t port) {
  const sockaddr_in remote = MakeAddress(address, port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) return Failed();
  return true;
}

int32_t SendSome(SocketHandle socket, const void* data, int32_t length) {
  if (length < 0) return RefuseLength();
  ssize_t sent;
  do {
    sent = send(socket, data, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) Failed();
  return static_cast<int32_t>(sent);
}

int32_t ReceiveSome(SocketHandle socket, void* buffer, int32_t size) {
  if (size < 0) return RefuseLength();
  ssize_t received;
  do {
    received = recv(socket, buffer, static_cast<size_t>(size), 0);
  } while (received < 0 && errno == EINTR);
  if (received < 0) Failed();
  return static_cast<int32_t>(received);
}

bool PendingReceiveBytes(SocketHandle socket, int32_t& count) {
  int pending = 0;
  if (ioctl(socket, FIONREAD, &pending) != 0) return Failed();
  count = pending;
  return true;
}

void ShutdownSocket(SocketHandle socket) { shutdown(socket, SHUT_RDWR); }

void CloseSocket(SocketHandle socket) {
  if (close(socket) != 0) Failed();
}

SocketHandle DuplicateSocket(SocketHandle socket) {
  const int duplicate = fcntl(socket, F_DUPFD_CLOEXEC, 0);
  if (duplicate < 0) {
    Failed();
    return kNoSocket;
  }
  return duplicate;
}

}  // namespace maplink::platform
