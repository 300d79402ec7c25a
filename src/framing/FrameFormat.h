#pragma once

// The frame on the wire, all multi-byte fields little-endian:
//
//   offset 0            2 bytes  PackFlag, the bytes FF CC
//   offset 2            4 bytes (length mode 1) or 2 bytes (length mode 0)
//                                totalPackLen = payload length + CRC length
//   offset packHeadLen  payload
//   then, CRC on only   4 bytes  CRC-32 of every byte before it (marker,
//                                length field and payload)
//
// The length field does not count the head: a whole frame is packHeadLen +
// totalPackLen bytes. On the link the payload is a packet: a 9-byte header
// followed by the body.

#include <cstdint>

namespace maplink::frame {

inline constexpr uint16_t PackFlag = 0xCCFF;
inline constexpr int32_t kMarkerLen = 2;
inline constexpr int32_t kLongLenFieldLen = 4;   // length mode 1, the default
inline constexpr int32_t kShortLenFieldLen = 2;  // length mode 0
inline constexpr int32_t kLongPackHeadLen = kMarkerLen + kLongLenFieldLen;
inline constexpr int32_t kShortPackHeadLen = kMarkerLen + kShortLenFieldLen;
inline constexpr uint32_t kShortLenFieldMax = 0xFFFF;
inline constexpr int32_t kCrcLen = 4;
// A received frame longer than this (head included) is refused; this length
// itself is accepted.
inline constexpr int64_t MaxPackLen = 100 * 1024 * 1024;
// The packet header at the start of every payload on the link.
inline constexpr int32_t kPackHeadSize = 9;

}  // namespace maplink::frame
