#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/CriticalSection.h"
#include "platform/Socket.h"
#include "platform/ThreadAnnotations.h"
#include "transport/IFlBlockSocket.h"

// A blocking TCP client over IPv4. Three states: no socket; a socket that is
// open but not connected (only after a failed bind, until Close); connected.
// Failures are reported by the result and by GetLastErrorText (the errno in
// each text is also left in the thread's last-error value); nothing is
// logged. Owns its socket and closes it when destroyed.
//
// Threads: the owner calls Connect, SetTimeOut and SetBindIP, one call at a
// time; Connect never runs at the same time as Close. Everything else is safe
// from any thread. Close shuts the connection down first, so that a Send or
// Recv blocked in another thread returns, and closes the handle only once no
// call of this object uses it any more. Code that writes through the raw
// handle from GetSocket must stop using it before the owner calls Connect
// again, which may hand out the same handle number.
class FlBlockSocket final : public IFlBlockSocket {
 public:
  FlBlockSocket();

  bool Connect(const char* host, uint16_t port) override;
  int32_t Send(const char* data, int32_t len) override;
  int32_t Recv(char* buf, int32_t size) override;
  int GetRecvSize() override;
  bool IsConnected() override;
  void Close() override;
  maplink::platform::SocketHandle GetSocket() override;
  void SetTimeOut(int32_t ms) override;
  int GetTimeOut() override;
  void SetBindIP(const char* ip) override;
  // A copy of the text for the calling thread, valid until that thread
  // calls GetLastErrorText again.
  const char* GetLastErrorText() override;

  virtual ~FlBlockSocket();
  FlBlockSocket(const FlBlockSocket&) = delete;
  FlBlockSocket& operator=(const FlBlockSocket&) = delete;

  // Shuts both directions of the connection down and leaves the handle open
  // until Close: a Recv blocked without time-out in another thread returns 0
  // at once, and the peer sees the end of the stream. The state does not
  // change. Safe from any thread.
  void Shutdown();
  // A handle of the caller's own on the current socket, or kNoSocket when
  // there is none; the caller closes it. A writer that uses it can never
  // reach a later socket that gets the old handle number, and a Close or
  // Shutdown still makes its writes fail. Safe from any thread.
  maplink::platform::SocketHandle DuplicateHandle();

 private:
  void SetLastErrorText(std::string text);
  int32_t RefuseNotConnected();

  std::atomic<bool> m_bConnected{false};
  std::atomic<maplink::platform::SocketHandle> m_Socket{maplink::platform::kNoSocket};
  int m_TimeOut = 30000;
  std::string m_BindIP;
  // Written by the owner's Connect and by Send and Recv on other threads.
  std::string m_LastError GUARDED_BY(m_LastErrorLock);
  maplink::platform::CriticalSection m_LastErrorLock;
  // The calls inside Send, Recv, GetRecvSize or Shutdown: Close waits for
  // them to leave before it closes the handle, so none of them can reach a
  // later socket that gets the same handle number.
  std::atomic<int> m_HandleUsers{0};
};
