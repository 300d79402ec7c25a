#pragma once

#include <cstdint>
#include <memory>

#include "platform/UniqueSocket.h"

namespace maplink::platform {

// A listening IPv4 TCP socket: the far end of a connection for the tools and
// tests that play the server. Closed when destroyed. One thread at a time.
class TcpListener {
 public:
  // Listens on a dotted address ("127.0.0.1") and a port, 0 for one the
  // system picks; null on failure, with errno in the thread's last-error value.
  static std::unique_ptr<TcpListener> Open(const char* dottedAddress, uint16_t port = 0);

  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  uint16_t Port() const { return m_Port; }

  // Waits up to the time-out for a connection. The accepted socket, or an
  // empty one when none came in time.
  UniqueSocket Accept(int32_t timeoutMilliseconds);

 private:
  TcpListener(UniqueSocket socket, uint16_t port) : m_Socket(std::move(socket)), m_Port(port) {}

  const UniqueSocket m_Socket;
  const uint16_t m_Port;
};

}  // namespace maplink::platform
