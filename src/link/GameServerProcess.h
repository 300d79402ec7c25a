#pragma once

#include <maplink/IGameServerProcess.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "framing/ChPackageDispatcher.h"
#include "link/MapServerNetLogic.h"
#include "link/MapServerNetProxy.h"
#include "platform/CriticalSection.h"
#include "platform/SocketSender.h"
#include "platform/ThreadAnnotations.h"
#include "transport/FlBlockSocket.h"

// The link itself: owns the proxy, the queues, the receive dispatcher and the
// socket, and runs the send and receive loops on two threads of the module's
// thread manager.
//
// Threads: host threads call the interface. SendToGameServerProc runs on the
// send thread; RecvFromGameServerProc, and OnPackage inside it, on the
// receive thread; the disconnect handler on whichever of the two failed. The
// dispatcher belongs to the receive thread. The byte totals are atomics,
// each written by one worker. Connect, Reconnect and Disconnect are
// serialised by m_ConnectLock, which also guards the address; the send loop
// writes through a handle of its own (DuplicateHandle), so a reconnect can
// never make it write to another socket.
class GameServerProcess final : public IGameServerProcess {
 public:
  static constexpr int32_t kRecorderIndex = 3;
  static constexpr int32_t kRecvBlockSize = 8192;

  // "sender" writes the send loop's bytes (tests hand in one that counts);
  // it must outlive the link.
  explicit GameServerProcess(maplink::platform::SocketSender& sender = maplink::platform::SystemSocketSender());

  void Start() override;
  bool Connect(const char* ip, int32_t port) override;
  bool Reconnect() override;
  void Disconnect() override;
  void SetDisconnectHandler(maplink::DisconnectFunc handler, void* context) override;
  int GetSocket() override;
  bool IsConnected() override;
  uint64_t GetRecvBytes() override;
  uint64_t GetSendBytes() override;
  int32_t GetSendQueueCount() override;
  int32_t GetRecvQueueCount() override;
  IMapServerNetProxy* GetNetProxy() override;

  // Ends the module's threads first: the link's two use every member below.
  virtual ~GameServerProcess();
  GameServerProcess(const GameServerProcess&) = delete;
  GameServerProcess& operator=(const GameServerProcess&) = delete;

  // One run of the send thread: drains the send queue into the stream and
  // flushes it. 0 after writing, 1 when there was nothing to send.
  int32_t SendToGameServerProc(int32_t threadIndex);
  // One run of the receive thread: one read, cut into frames.
  int32_t RecvFromGameServerProc(int32_t threadIndex);
  // The dispatcher's frame callback: queues the payload as a packet.
  void OnPackage(const std::string& payload);
  // The handler's answer, or -1 without a handler.
  int32_t CallDisconnectHandler();
  // Why the last connect failed, as the socket put it.
  std::string GetLastErrorText();

 private:
  bool ConnectLocked() REQUIRES(m_ConnectLock);
  // Logs a failed write with the place line and answers for the send thread.
  int32_t OnSendFailure(int line);

  maplink::platform::SocketSender& m_Sender;
  MapServerNetProxy m_NetProxy;
  MapServerNetLogic m_NetLogic;
  std::unique_ptr<FlBlockSocket> m_pSocket;
  maplink::platform::CriticalSection m_ConnectLock;
  std::string m_IP GUARDED_BY(m_ConnectLock);
  int32_t m_Port GUARDED_BY(m_ConnectLock) = 0;
  ChPackageDispatcher m_Dispatcher;
  std::atomic<uint64_t> m_SendBytes{0};
  std::atomic<uint64_t> m_RecvBytes{0};
  maplink::platform::CriticalSection m_HandlerLock;
  maplink::DisconnectFunc m_OnDisconnect GUARDED_BY(m_HandlerLock) = nullptr;
  void* m_DisconnectContext GUARDED_BY(m_HandlerLock) = nullptr;
  // Set once by the destructor: failures from then on end their thread
  // without the handler, and no connection is made any more.
  std::atomic<bool> m_TearingDown{false};
  std::atomic<bool> m_Started{false};
};
