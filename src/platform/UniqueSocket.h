#pragma once

#include <utility>

#include "platform/Socket.h"

namespace maplink::platform {

// Owns one socket handle and closes it when destroyed or reset. Moves, never
// copies. One thread at a time.
class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(SocketHandle socket) : m_Socket(socket) {}
  ~UniqueSocket() { Reset(); }

  UniqueSocket(UniqueSocket&& other) noexcept : m_Socket(other.Release()) {}
  UniqueSocket& operator=(UniqueSocket&& other) noexcept {
    if (this != &other) {
      Reset();
      m_Socket = other.Release();
    }
    return *this;
  }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;

  SocketHandle Get() const { return m_Socket; }
  bool IsOpen() const { return m_Socket != kNoSocket; }

  // Gives the handle up without closing it.
  SocketHandle Release() { return std::exchange(m_Socket, kNoSocket); }

  void Reset() {
    if (IsOpen()) CloseSocket(Release());
  }

 private:
  SocketHandle m_Socket = kNoSocket;
};

}  // namespace maplink::platform
