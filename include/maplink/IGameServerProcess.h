#pragma once

// The link to the game server: one TCP connection, a send thread that drains
// the send queue onto it and a receive thread that cuts the arriving bytes
// into packets for the receive queue. The host sends and receives through
// the net proxy (GetNetProxy).
//
// Use, in this order, from one controlling host thread:
//   1. GetGameServerProcess()             the link exists, not connected
//   2. SetDisconnectHandler (optional)
//   3. Connect(ip, port)
//   4. Start()                            registers the threads "SendToGameServer"
//                                         and "RecvFromGameServer", suspended
//   5. StartAll() on GetThreadManagerInterface(): both threads run
//   6. send and receive through GetNetProxy()
//   7. FreeGameServerProcess()            ends every managed thread, then the link
//
// Failures: a failed write or flush, or a receive that returns nothing, is
// logged and answered by the disconnect handler on the failing worker
// thread; its result is that thread's next step (0 run again at once, a
// positive number sleep that many milliseconds first, -1 end the thread).
// Without a handler the failing thread ends. Nothing reconnects by itself:
// the handler or the host calls Reconnect.
//
// Ownership: GetGameServerProcess creates the single link; only
// FreeGameServerProcess destroys it. The proxy belongs to the link.
//
// Threads: every operation may be called from any host thread, and
// Reconnect also from the handler. GetGameServerProcess and
// FreeGameServerProcess take no lock: call them from one thread, and
// FreeGameServerProcess not while other host threads use the link.
//
// The order of the operations of IGameServerProcess is part of the binary
// interface and never changes.

#include <cstdint>

#include "maplink/Export.h"

class IMapServerNetProxy;

namespace maplink {

// The disconnect handler, called with the context given with it.
using DisconnectFunc = int32_t (*)(void* context);

}  // namespace maplink

class IGameServerProcess {
 public:
  // Wires the proxy to the queues and registers the two worker threads.
  // Once: a second call is refused with a warning.
  virtual void Start() = 0;
  // Connects to ip (dotted address or host name) and port (0 to 65535).
  // False when it fails; the reason is in the log (a bad port) or is the
  // socket's error. An open connection is not closed first: close it with
  // Disconnect.
  virtual bool Connect(const char* ip, int32_t port) = 0;
  // Closes the connection and connects again to the last Connect's address.
  virtual bool Reconnect() = 0;
  virtual void Disconnect() = 0;
  // A null handler clears it.
  virtual void SetDisconnectHandler(maplink::DisconnectFunc handler, void* context) = 0;
  // The connection's socket handle, -1 when there is none.
  virtual int GetSocket() = 0;
  // True from a successful Connect or Reconnect until Disconnect, Reconnect
  // or a failed connect; a peer that closes does not clear it.
  virtual bool IsConnected() = 0;
  // Frame payload bytes received (packet headers and bodies).
  virtual uint64_t GetRecvBytes() = 0;
  // Whole frame bytes handed to the connection.
  virtual uint64_t GetSendBytes() = 0;
  virtual int32_t GetSendQueueCount() = 0;
  virtual int32_t GetRecvQueueCount() = 0;
  virtual IMapServerNetProxy* GetNetProxy() = 0;

 protected:
  ~IGameServerProcess() = default;
};

extern "C" {

// The single link, created on the first call.
MAPLINK_EXPORT IGameServerProcess* GetGameServerProcess();
// Ends every thread of the module's thread manager, then destroys the link;
// the next GetGameServerProcess creates a new one. Nothing without a link.
MAPLINK_EXPORT void FreeGameServerProcess();
// Does nothing; kept for hosts that call it.
MAPLINK_EXPORT void InitPackRecorder();

}  // extern "C"
