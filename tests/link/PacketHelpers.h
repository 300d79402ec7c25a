#pragma once

#include <cstdint>
#include <string>

#include "maplink/MMORPGPacket.h"
#include "packet/MMORPGPacketPool.h"

namespace maplink::test {

// A pooled packet with a session id and a body.
inline MMORPG::MMORPGPacket* MakePacket(uint32_t sessionId, const std::string& body = "") {
  MMORPG::MMORPGPacket* packet = MMORPG::MMORPGPacket::Alloc();
  packet->SetSessionID(sessionId);
  packet->ReadData(body.data(), static_cast<int32_t>(body.size()));
  return packet;
}

inline std::string Body(const MMORPG::MMORPGPacket& packet) {
  return std::string(packet.GetData(), static_cast<size_t>(packet.GetDataLen()));
}

// Pooled packets taken and not given back since the balance was made. Makes
// the pool first, so its creation's log line falls before the test's capture.
class PoolBalance {
 public:
  PoolBalance() : m_Start((MMORPG::GetPacketPool(), MMORPG::GetCount())) {}
  int32_t Out() const { return MMORPG::GetCount() - m_Start; }

 private:
  const int32_t m_Start;
};

}  // namespace maplink::test
