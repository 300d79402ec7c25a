#pragma once

// The game server's side of the frame protocol, written apart from the
// module's own framing code so that the two check each other: a frame is the
// marker FF CC, a 4-byte little-endian length of the payload, and the
// payload, which is a 9-byte packet header followed by the body.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace maplink::sim {

struct SimPacket {
  uint32_t sessionId = 0;
  uint16_t packOrder = 0;
  uint8_t type = 0;
  uint8_t dest = 0;
  uint8_t src = 0;
  std::string body;

  bool operator==(const SimPacket&) const = default;
};

inline constexpr size_t kFrameHeadBytes = 6;
inline constexpr size_t kPacketHeadBytes = 9;
// Where the destination and source server types sit in a payload.
inline constexpr size_t kDestOffset = 7;
inline constexpr size_t kSrcOffset = 8;

// Appends one frame carrying the packet to out.
void AppendFrame(std::string& out, const SimPacket& packet);

// The packet of a frame payload, or nothing when the payload is shorter than
// the packet header.
std::optional<SimPacket> ParsePayload(const char* payload, size_t length);

// Cuts a byte stream into frame payloads. Bytes of an incomplete frame wait
// for the next Feed. A bad marker makes the decoder fail for good.
class FrameDecoder {
 public:
  void Feed(const char* bytes, size_t count) { m_Pending.append(bytes, count); }

  // The next whole payload, or nothing when none is complete (or the stream
  // is broken: see Broken). The view is valid until the next Feed, and the
  // frame head stands in the kFrameHeadBytes before it.
  std::optional<std::string_view> NextPayload();
  bool Broken() const { return m_Broken; }

 private:
  std::string m_Pending;
  size_t m_Offset = 0;
  bool m_Broken = false;
};

}  // namespace maplink::sim
