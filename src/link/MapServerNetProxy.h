#pragma once

#include <atomic>
#include <cstdint>

#include "link/MapServerNetLogic.h"
#include "maplink/IMapServerNetProxy.h"
#include "platform/Clock.h"
#include "platform/CoarseClock.h"
#include "platform/Mutex.h"
#include "platform/ThreadAnnotations.h"
#include "support/SecCounter.h"

// The host's send and receive surface: builds pooled packets, puts them on
// the net logic's queues, hands received packets to the host and counts
// packets per second each way.
//
// Threads: every operation may be called from any thread at once. The queues
// and the pool lock for themselves; each rate counter has a small lock of its
// own, since several host threads send and receive at the same time. Until
// SetNetLogic the operations that reach the net logic fail with a warning.
class MapServerNetProxy final : public IMapServerNetProxy {
 public:
  // "clock" times the two rate counters and must outlive the proxy.
  // The coarse tick is ample for one-second windows and cheap enough to read
  // on every packet.
  explicit MapServerNetProxy(const maplink::platform::Clock& clock = maplink::platform::CoarseClock());
  MapServerNetProxy(const MapServerNetProxy&) = delete;
  MapServerNetProxy& operator=(const MapServerNetProxy&) = delete;

  bool SendPack(uint8_t src, uint8_t dest, int32_t sessionId, uint16_t packOrder, uint8_t type,
                const char* data, int32_t len) override;
  bool SendData(const char* data, int32_t len) override;
  MMORPG::MMORPGPacket* RecvPacket() override;
  int32_t GetSendRate() override;
  int32_t GetRecvRate() override;
  bool PopUserQueue1(MMORPG::MMORPGPacket* packet) override;
  bool PushUserQueue1(MMORPG::MMORPGPacket* packet) override;
  int32_t CountUserQueue1() override;
  bool PopUserQueue2(MMORPG::MMORPGPacket* packet) override;
  bool PushUserQueue2(MMORPG::MMORPGPacket* packet) override;
  int32_t CountUserQueue2() override;
  bool PopUserQueue3(MMORPG::MMORPGPacket* packet) override;
  bool PushUserQueue3(MMORPG::MMORPGPacket* packet) override;
  int32_t CountUserQueue3() override;
  MMORPG::MMORPGPacket* NewPacket() override;
  void FreePacket(MMORPG::MMORPGPacket* packet) override;
  int32_t GetPacketCount() override;
  int32_t GetPacketPeakCount() override;
  // After the interface's operations, so its slots keep their documented order.
  virtual ~MapServerNetProxy();

  // Makes sure the packet pool exists, then forwards to logic from now on.
  // Returns logic. "logic" must outlive every call that may reach it.
  MapServerNetLogic* SetNetLogic(MapServerNetLogic* logic);
  // Counts packet in the send rate and queues it for sending (PushSend); on
  // true the queue owns it.
  bool SendPacket(MMORPG::MMORPGPacket* packet);

 private:
  // The net logic, or null (with a warning naming the operation) before SetNetLogic.
  MapServerNetLogic* NetLogic(const char* operation) const;
  // Calls the net logic's operation; before SetNetLogic answers false, null
  // or 0 and warns.
  template <typename Result, typename... Params, typename... Args>
  Result Forward(const char* operation, Result (MapServerNetLogic::*forwarded)(Params...), Args... args) {
    MapServerNetLogic* logic = NetLogic(operation);
    return logic != nullptr ? (logic->*forwarded)(args...) : Result{};
  }
  // Takes a packet from the pool, gives it head and a copy of the body and
  // queues it for sending; a refused body queues nothing.
  bool QueueForSending(const char* operation, const tagPackHead& head, const char* data, int32_t len,
                       bool countIt);
  void CountSent(const MMORPG::MMORPGPacket& packet);
  void CountReceived(const MMORPG::MMORPGPacket& packet);

  // Not owned; null until SetNetLogic. Atomic: Start may wire it while host
  // threads already call.
  std::atomic<MapServerNetLogic*> m_pNetLogic{nullptr};
  maplink::SecCounter m_SendCounter GUARDED_BY(m_SendCounterLock);
  maplink::SecCounter m_RecvCounter GUARDED_BY(m_RecvCounterLock);
  // Leaf locks: nothing else is taken while either is held.
  maplink::platform::Mutex m_SendCounterLock;
  maplink::platform::Mutex m_RecvCounterLock;
};
