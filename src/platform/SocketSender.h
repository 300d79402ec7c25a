#pragma once

#include <cstdint>

#include "platform/Socket.h"

namespace maplink::platform {

// Writes bytes to a connected socket: the one socket call that tests steer
// (count the calls, see their sizes, make one fail). Code that writes
// through it takes a SocketSender it can be handed.
class SocketSender {
 public:
  // The contract of SendSome: the number of bytes taken, or -1 with the
  // error in the calling thread's last-error value.
  virtual int32_t Send(SocketHandle socket, const void* data, int32_t length) = 0;

 protected:
  ~SocketSender() = default;
};

// The real one: SendSome. Safe to call from any thread.
SocketSender& SystemSocketSender();

}  // namespace maplink::platform
