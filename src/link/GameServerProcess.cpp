#include "link/GameServerProcess.h"

#include <maplink/ThreadFunc.h>

#include <algorithm>

#include "packet/MMORPGPacketPool.h"
#include "packet/PackHead.h"
#include "packet/SendFrame.h"
#include "platform/LastError.h"
#include "platform/UniqueSocket.h"
#include "recorder/PackRecorderManager.h"
#include "support/LogBinding.h"
#include "support/TLockObj.h"
#include "support/TextFormat.h"
#include "threads/ThreadManager.h"
#include "transport/CNetStream.h"

using maplink::GetLogger;
using maplink::TLockObj;
namespace platform = maplink::platform;

namespace {

constexpr const char* kPlace = "GameServerProcess";
constexpr int kWriteFailedLine = 190;
constexpr int kFlushFailedLine = 215;
constexpr int kReceiveFailedLine = 252;
constexpr int32_t kMaxPort = 65535;

std::string LastErrorReason() {
  return platform::SystemErrorText(static_cast<int>(platform::GetLastError()));
}

// The recorder direction the link records into, when the host made recorder 3.
maplink::OneWayPackRec* LinkRecorder(bool send) {
  maplink::PackRecorder* recorder =
      maplink::GetPackRecorderManager().FindRecorder(GameServerProcess::kRecorderIndex);
  if (recorder == nullptr) return nullptr;
  return send ? &recorder->GetSendRecorder() : &recorder->GetRecvRecorder();
}

// Adds to a total that one thread writes and others read: a plain load and
// store, since no other thread adds to it.
void AddTo(std::atomic<uint64_t>& total, size_t amount) {
  total.store(total.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

int32_t SendThreadFunction(void* link, int32_t threadIndex) {
  return static_cast<GameServerProcess*>(link)->SendToGameServerProc(threadIndex);
}

int32_t RecvThreadFunction(void* link, int32_t threadIndex) {
  return static_cast<GameServerProcess*>(link)->RecvFromGameServerProc(threadIndex);
}

void PackageArrived(void* link, const char* payload, size_t length) {
  static_cast<GameServerProcess*>(link)->OnPackage(std::string_view(payload, length));
}

// The module-wide link, owned through GetGameServerProcess/FreeGameServerProcess.
GameServerProcess* g_GameServerProcess = nullptr;

}  // namespace

GameServerProcess::SendBatch::SendBatch() {
  for (size_t i = 0; i < packets.size(); ++i) targets[i] = &packets[i];
}

GameServerProcess::GameServerProcess(platform::SocketSender& sender)
    : m_Sender(sender), m_pSocket(std::make_unique<FlBlockSocket>()), m_SendBatch(std::make_unique<SendBatch>()) {
  m_pSocket->SetTimeOut(0);
  m_Dispatcher.SetPayloadSink(&PackageArrived, this);
}

GameServerProcess::~GameServerProcess() {
  // A receive blocked without time-out returns once the connection is shut
  // down; the flag makes that failure end its thread instead of asking the
  // handler, and keeps a handler's Reconnect from opening a new connection.
  m_TearingDown.store(true);
  {
    TLockObj lock(m_ConnectLock);
    m_pSocket->Shutdown();
  }
  maplink::GetThreadManager().ExitAll();
  // Left only when cutting a block threw.
  QueueArrived();
  m_pSocket.reset();
}

void GameServerProcess::Start() {
  if (m_Started.exchange(true)) {
    GetLogger()->LogWarn("GameServerProcess::Start called again: the link's threads are registered already");
    return;
  }
  m_NetProxy.SetNetLogic(&m_NetLogic);
  maplink::ThreadManager& manager = maplink::GetThreadManager();
  manager.AddThread("SendToGameServer", ThreadFunc{&SendThreadFunction, this}, false);
  manager.AddThread("RecvFromGameServer", ThreadFunc{&RecvThreadFunction, this}, false);
}

bool GameServerProcess::Connect(const char* ip, int32_t port) {
  if (port < 0 || port > kMaxPort) {
    GetLogger()->LogWarn("GameServerProcess::Connect refused port %d: ports run from 0 to 65535", port);
    return false;
  }
  TLockObj lock(m_ConnectLock);
  m_IP = ip != nullptr ? ip : "";
  m_Port = port;
  return ConnectLocked();
}

bool GameServerProcess::Reconnect() {
  // A send blocked on the old connection must give up before the lock can
  // be had: a shutdown makes it fail at once.
  m_pSocket->Shutdown();
  TLockObj lock(m_ConnectLock);
  m_pSocket->Close();
  GetLogger()->LogWarn("GameServerProcess::Reconnect! m_IP = %s m_Port = %d", m_IP.c_str(), m_Port);
  return ConnectLocked();
}

bool GameServerProcess::ConnectLocked() {
  if (m_TearingDown.load()) return false;
  return m_pSocket->Connect(m_IP.c_str(), static_cast<uint16_t>(m_Port));
}

void GameServerProcess::Disconnect() {
  TLockObj lock(m_ConnectLock);
  m_pSocket->Close();
}

void GameServerProcess::SetDisconnectHandler(maplink::DisconnectFunc handler, void* context) {
  TLockObj lock(m_HandlerLock);
  m_OnDisconnect = handler;
  m_DisconnectContext = context;
}

int GameServerProcess::GetSocket() { return m_pSocket->GetSocket(); }

bool GameServerProcess::IsConnected() { return m_pSocket->IsConnected(); }

uint64_t GameServerProcess::GetRecvBytes() { return m_RecvBytes.load(std::memory_order_relaxed); }

uint64_t GameServerProcess::GetSendBytes() { return m_SendBytes.load(std::memory_order_relaxed); }

int32_t GameServerProcess::GetSendQueueCount() { return m_NetLogic.GetSendCount(); }

int32_t GameServerProcess::GetRecvQueueCount() { return m_NetLogic.GetRecvCount(); }

IMapServerNetProxy* GameServerProcess::GetNetProxy() { return &m_NetProxy; }

int32_t GameServerProcess::SendToGameServerProc(int32_t) {
  // An idle run would only find nothing to flush: it answers the same
  // without making a stream and a handle first.
  if (m_NetLogic.GetSendCount() == 0) return 1;
  const platform::UniqueSocket connection(m_pSocket->DuplicateHandle());
  CNetStream stream(connection.Get(), m_Sender);
  SendBatch& batch = *m_SendBatch;
  maplink::OneWayPackRec* recorder = LinkRecorder(true);
  bool wroteFrame = false;

  while (m_NetLogic.GetSendCount() != 0) {
    const size_t popped = m_NetLogic.PopSendMany(batch.targets.data(), batch.targets.size());
    for (size_t i = 0; i < popped; ++i) {
      maplink::BuildSendFrame(batch.packets[i], batch.payload, batch.frame);
      const std::string& data = batch.frame;
      AddTo(m_SendBytes, data.size());
      if (recorder != nullptr) recorder->RecordPack(data);
      wroteFrame = true;
      // Cleared first, so only this write's own failure can read as "nothing to send".
      platform::SetLastError(0);
      const int32_t result = stream.SendBuf_o(data.data(), static_cast<int32_t>(data.size()));
      if (result < 1 && platform::GetLastError() != ERROR_NOTHING_TO_SEND) return OnSendFailure(kWriteFailedLine);
    }
  }

  platform::SetLastError(0);
  const int32_t result = stream.SendBuf_o(nullptr, 0);
  if (result > 0 || platform::GetLastError() == ERROR_NOTHING_TO_SEND) return wroteFrame ? 0 : 1;
  return OnSendFailure(kFlushFailedLine);
}

int32_t GameServerProcess::OnSendFailure(int line) {
  if (m_TearingDown.load()) return -1;
  const std::string reason = LastErrorReason();
  GetLogger()->LogWarn("%s, send failed Reason = %s", maplink::PlaceText(kPlace, line).c_str(), reason.c_str());
  return CallDisconnectHandler();
}

int32_t GameServerProcess::RecvFromGameServerProc(int32_t) {
  // Grows back to a whole block: only the part the last read left out is filled.
  m_RecvBlock.resize(kRecvBlockSize);
  // A peer that closes sets no error: the reason then reads as success.
  platform::SetLastError(0);
  const int32_t received = m_pSocket->Recv(m_RecvBlock.data(), kRecvBlockSize);
  if (received > 0) {
    m_RecvBlock.resize(static_cast<size_t>(received));
    m_RecvRecorder = LinkRecorder(false);
    m_Dispatcher.RecvData(m_RecvBlock);
    QueueArrived();
    return 0;
  }
  if (m_TearingDown.load()) return -1;
  const std::string reason = LastErrorReason();
  GetLogger()->LogWarn("%s, Connect Error, %s", maplink::PlaceText(kPlace, kReceiveFailedLine).c_str(),
                       reason.c_str());
  return CallDisconnectHandler();
}

void GameServerProcess::OnPackage(std::string_view payload) {
  AddTo(m_RecvBytes, payload.size());
  if (m_RecvRecorder != nullptr) m_RecvRecorder->RecordPack(payload);

  const auto headLength = static_cast<size_t>(sizeof(tagPackHead));
  if (payload.size() < headLength) {
    GetLogger()->LogWarn("GameServerProcess::OnPackage dropped a frame of %d bytes: shorter than a packet header",
                         static_cast<int>(payload.size()));
    return;
  }
  tagPackHead head{};
  MMORPG::ParseHead(&head, payload.data(), 0);
  MMORPG::MMORPGPacket* packet = TakePooledPacket();
  if (packet == nullptr) return;  // the pool has logged it
  packet->SetHead(&head);
  packet->ReadData(payload.data() + headLength, static_cast<int32_t>(payload.size() - headLength));
  m_Arrived.push_back(packet);
}

std::string GameServerProcess::GetLastErrorText() { return m_pSocket->GetLastErrorText(); }

MMORPG::MMORPGPacket* GameServerProcess::TakePooledPacket() {
  if (m_Reserve.empty()) {
    MMORPG::GetPacketPool()->AllocMany(m_ReserveSize, m_Reserve);
    if (m_Reserve.empty()) return nullptr;
  }
  MMORPG::MMORPGPacket* packet = m_Reserve.back();
  m_Reserve.pop_back();
  return packet;
}

void GameServerProcess::QueueArrived() {
  if (!m_Reserve.empty()) MMORPG::GetPacketPool()->FreeMany(m_Reserve);
  m_Reserve.clear();
  // The next block is taken to carry about as many packets as this one.
  m_ReserveSize = std::clamp<size_t>(m_Arrived.size(), 1, kMaxReserve);
  if (!m_Arrived.empty()) m_NetLogic.PushRecvAll(m_Arrived);
  m_Arrived.clear();
}

int32_t GameServerProcess::CallDisconnectHandler() {
  maplink::DisconnectFunc handler;
  void* context;
  {
    TLockObj lock(m_HandlerLock);
    handler = m_OnDisconnect;
    context = m_DisconnectContext;
  }
  return handler != nullptr ? handler(context) : -1;
}

extern "C" MAPLINK_EXPORT IGameServerProcess* GetGameServerProcess() {
  if (g_GameServerProcess == nullptr) g_GameServerProcess = new GameServerProcess();
  return g_GameServerProcess;
}

extern "C" MAPLINK_EXPORT void FreeGameServerProcess() {
  delete g_GameServerProcess;
  g_GameServerProcess = nullptr;
}

extern "C" MAPLINK_EXPORT void InitPackRecorder() {}
