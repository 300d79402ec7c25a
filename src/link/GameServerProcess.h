#pragma once

#include <maplink/IGameServerProcess.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framing/ChPackageDispatcher.h"
#include "link/MapServerNetLogic.h"
#include "link/MapServerNetProxy.h"
#include "platform/CriticalSection.h"
#include "platform/SocketSender.h"
#include "platform/ThreadAnnotations.h"
#include "recorder/OneWayPackRec.h"
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
  // The dispatcher's frame callback: makes the payload a pooled packet,
  // queued with the rest of its block once the block is cut.
  void OnPackage(std::string_view payload);
  // The handler's answer, or -1 without a handler.
  int32_t CallDisconnectHandler();
  // Why the last connect failed, as the socket put it.
  std::string GetLastErrorText();

 private:
  // The send thread's packets and frame buffers, kept across its runs: the
  // queue is copied out kSendBatch packets at a time (each given back to the
  // pool at once), and framing reuses the same two strings.
  struct SendBatch {
    static constexpr size_t kSendBatch = 64;
    SendBatch();
    std::array<MMORPG::MMORPGPacket_Stack, kSendBatch> packets;
    std::array<MMORPG::MMORPGPacket*, kSendBatch> targets;
    std::string payload;
    std::string frame;
  };

  static constexpr size_t kMaxReserve = 256;

  bool ConnectLocked() REQUIRES(m_ConnectLock);
  // A pooled packet for a frame of the block being cut; null when memory runs out.
  MMORPG::MMORPGPacket* TakePooledPacket();
  // Queues the block's packets and gives the reserve back.
  void QueueArrived();
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
  // Receive thread only: the block read, kept for its capacity; the receive
  // recorder for the block being cut,
  // looked up once a block; the packets cut from the block, queued together
  // once it is cut; and pooled packets taken ahead for it, so the pool's lock
  // is taken about once a block (what is left goes back after the block).
  std::string m_RecvBlock;
  maplink::OneWayPackRec* m_RecvRecorder = nullptr;
  std::vector<MMORPG::MMORPGPacket*> m_Arrived;
  std::vector<MMORPG::MMORPGPacket*> m_Reserve;
  size_t m_ReserveSize = 1;
  std::atomic<uint64_t> m_SendBytes{0};
  std::atomic<uint64_t> m_RecvBytes{0};
  maplink::platform::CriticalSection m_HandlerLock;
  maplink::DisconnectFunc m_OnDisconnect GUARDED_BY(m_HandlerLock) = nullptr;
  void* m_DisconnectContext GUARDED_BY(m_HandlerLock) = nullptr;
  // Set once by the destructor: failures from then on end their thread
  // without the handler, and no connection is made any more.
  std::unique_ptr<SendBatch> m_SendBatch;  // send thread only
  std::atomic<bool> m_TearingDown{false};
  std::atomic<bool> m_Started{false};
};
