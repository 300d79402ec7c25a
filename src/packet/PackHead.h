#pragma once

// The packet header's wire form: SessionID (4 bytes), PackOrder (2),
// packType, DestServerType, SrcServerType (1 each), little-endian, read and
// written field by field.

#include <cstdint>

#include "maplink/MMORPGPacket.h"

namespace MMORPG {

// Zeroes head, then reads its 9 bytes from bytes, which must hold at least 9
// readable bytes. An expected length other than 0 (no check) or 9 is logged
// with the hex text of that many source bytes; the header is read in any case.
// Returns 9.
int32_t ParseHead(tagPackHead* head, const void* bytes, int32_t expectedLen);

}  // namespace MMORPG

namespace maplink {

// Writes the 9 header bytes at out + offset and advances offset by 9.
void WritePackHead(void* out, int32_t& offset, const tagPackHead& head);

}  // namespace maplink
