#include "packet/PackHead.h"

#include "framing/FrameFormat.h"
#include "support/CommFunc.h"
#include "support/LogBinding.h"

static_assert(sizeof(tagPackHead) == maplink::frame::kPackHeadSize);

namespace MMORPG {

int32_t ParseHead(tagPackHead* head, const void* bytes, int32_t expectedLen) {
  if (expectedLen != 0 && expectedLen != maplink::frame::kPackHeadSize) {
    maplink::GetLogger()->LogWarn("Error in tagPackHead : %s ", maplink::HexString(bytes, expectedLen).c_str());
  }
  // Read into a fresh header first: the source may be the destination itself.
  const auto* in = static_cast<const uint8_t*>(bytes);
  int32_t offset = 0;
  tagPackHead read{};
  read.SessionID = maplink::ReadDWord(in, offset);
  read.PackOrder = maplink::ReadWord(in, offset);
  read.packType = in[offset++];
  read.DestServerType = in[offset++];
  read.SrcServerType = in[offset++];
  *head = read;
  return maplink::frame::kPackHeadSize;
}

}  // namespace MMORPG

namespace maplink {

void WritePackHead(void* out, int32_t& offset, const tagPackHead& head) {
  WriteDWord(out, offset, head.SessionID);
  WriteWord(out, offset, head.PackOrder);
  const uint8_t types[] = {head.packType, head.DestServerType, head.SrcServerType};
  WriteBuf(out, offset, types, sizeof(types));
}

}  // namespace maplink
