#pragma once

// A blocking TCP client socket: one outgoing IPv4 connection. Internal to
// the module. The order of the operations below is fixed; do not reorder.

#include <cstdint>

#include "platform/Socket.h"

class IFlBlockSocket {
 public:
  // Connects to a dotted address or, failing that, to the first IPv4 address
  // of a host name. False with the reason in GetLastErrorText on failure.
  virtual bool Connect(const char* host, uint16_t port) = 0;
  // One send: the bytes taken (possibly fewer than len), or -1.
  virtual int32_t Send(const char* data, int32_t len) = 0;
  // One receive: the bytes read, 0 when the peer has closed, or -1.
  virtual int32_t Recv(char* buf, int32_t size) = 0;
  // Bytes waiting to be read; 0 when they cannot be counted.
  virtual int GetRecvSize() = 0;
  virtual bool IsConnected() = 0;
  // Closes the socket if there is one. Safe to repeat.
  virtual void Close() = 0;
  virtual maplink::platform::SocketHandle GetSocket() = 0;
  // Milliseconds for both directions, 0 for none; takes effect at the next Connect.
  virtual void SetTimeOut(int32_t ms) = 0;
  virtual int GetTimeOut() = 0;
  // The local address to bind before connecting; empty for none.
  virtual void SetBindIP(const char* ip) = 0;
  virtual const char* GetLastErrorText() = 0;

 protected:
  ~IFlBlockSocket() = default;
};
