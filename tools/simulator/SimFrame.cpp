#include "SimFrame.h"

namespace maplink::sim {

namespace {

void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLittleEndian(const char* in, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  return value;
}

}  // namespace

void AppendFrame(std::string& out, const SimPacket& packet) {
  out.push_back(static_cast<char>(0xFF));
  out.push_back(static_cast<char>(0xCC));
  PutLittleEndian(out, kPacketHeadBytes + packet.body.size(), 4);
  PutLittleEndian(out, packet.sessionId, 4);
  PutLittleEndian(out, packet.packOrder, 2);
  out.push_back(static_cast<char>(packet.type));
  out.push_back(static_cast<char>(packet.dest));  // kDestOffset
  out.push_back(static_cast<char>(packet.src));   // kSrcOffset
  out += packet.body;
}

std::optional<SimPacket> ParsePayload(const char* payload, size_t length) {
  if (length < kPacketHeadBytes) return std::nullopt;
  SimPacket packet;
  packet.sessionId = GetLittleEndian(payload, 4);
  packet.packOrder = static_cast<uint16_t>(GetLittleEndian(payload + 4, 2));
  packet.type = static_cast<uint8_t>(payload[6]);
  packet.dest = static_cast<uint8_t>(payload[kDestOffset]);
  packet.src = static_cast<uint8_t>(payload[kSrcOffset]);
  packet.body.assign(payload + kPacketHeadBytes, length - kPacketHeadBytes);
  return packet;
}

std::optional<std::string_view> FrameDecoder::NextPayload() {
  if (m_Broken) return std::nullopt;
  const size_t available = m_Pending.size() - m_Offset;
  if (available < kFrameHeadBytes) {
    m_Pending.erase(0, m_Offset);
    m_Offset = 0;
    return std::nullopt;
  }
  const char* head = m_Pending.data() + m_Offset;
  if (static_cast<unsigned char>(head[0]) != 0xFF || static_cast<unsigned char>(head[1]) != 0xCC) {
    m_Broken = true;
    return std::nullopt;
  }
  const size_t payloadLength = GetLittleEndian(head + 2, 4);
  if (available < kFrameHeadBytes + payloadLength) {
    m_Pending.erase(0, m_Offset);
    m_Offset = 0;
    return std::nullopt;
  }
  m_Offset += kFrameHeadBytes + payloadLength;
  return std::string_view(head + kFrameHeadBytes, payloadLength);
}

}  // namespace maplink::sim
