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
// Threads: the owner calls Connect, Close, SetTimeOut, SetBindIP and
// GetLastErrorText, one call at a time. Other threads may call Send, Recv,
// GetRecvSize, IsConnected, GetSocket and Shutdown at any time, and may
// write through the raw handle from GetSocket. Close shuts the connection
// down before it closes the handle, so a Recv or Send blocked in another
// thread returns. The next Connect may get the same handle number again: the
// owner calls it only once no other thread still works with the old handle.
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
  // Valid until the next failure is recorded.
  const char* GetLastErrorText() override;

  virtual ~FlBlockSocket();
  FlBlockSocket(const FlBlockSocket&) = delete;
  FlBlockSocket& operator=(const FlBlockSocket&) = delete;

  // Shuts both directions of the connection down and leaves the handle open
  // until Close: a Recv blocked without time-out in another thread returns 0
  // at once, and the peer sees the end of the stream. The state does not
  // change. Safe from any thread, but not alongside Connect or Close.
  void Shutdown();

 private:
  void SetLastErrorText(std::string text);
  int32_t RefuseNotConnected();

  std::atomic<bool> m_bConnected{false};
  std::atomic<maplink::platform::SocketHandle> m_Socket{maplink::platform::kNoSocket};
  int m_TimeOut = 30000;
  std::string m_BindIP;
  // Written by the owner's Connect and by Send and Recv on other threads.
  maplink::platform::CriticalSection m_LastErrorLock;
  std::string m_LastError GUARDED_BY(m_LastErrorLock);
};
