#include "maplink/MMORPGPacket.h"

#include <algorithm>
#include <limits>
#include <new>

#include "maplink/IPackageDispatcher.h"
#include "packet/MMORPGPacketPool.h"
#include "packet/PackHead.h"
#include "packet/PacketCounters.h"
#include "packet/SendFrame.h"
#include "support/CommFunc.h"
#include "support/LogBinding.h"

namespace MMORPG {

namespace {

// A body larger than this gives its memory back on Reset, so a pooled packet
// that once carried a large body does not keep that memory while it waits.
constexpr size_t kKeptBodyCapacity = 64 * 1024;

bool IsValidServerType(uint8_t serverType) { return serverType > stMin && serverType < stMax; }

void WarnServerTypes(const tagPackHead& head) {
  if (!IsValidServerType(head.DestServerType)) {
    maplink::GetLogger()->LogWarn(
        "MMORPGPacket::GetSendData  m_PackHead.DestServerType <= stMin || m_PackHead.DestServerType >= stMax  , "
        "packType=%d",
        head.packType);
  }
  if (!IsValidServerType(head.SrcServerType)) {
    maplink::GetLogger()->LogWarn(
        "MMORPGPacket::GetSendData  m_PackHead.SrcServerType <= stMin || m_PackHead.SrcServerType >= stMax  , "
        "packType=%d",
        head.packType);
  }
}

}  // namespace

MMORPGPacket::MMORPGPacket() {
  maplink::ModulePacketCounters().RaisePeak();
  m_Dispatcher = NewPackageDispatcher();
  if (m_Dispatcher == nullptr) throw std::bad_alloc();
  Reset();
}

MMORPGPacket::~MMORPGPacket() { FreePackageDispatcher(m_Dispatcher); }

bool MMORPGPacket::CanFree() { return true; }

bool MMORPGPacket_Stack::CanFree() { return false; }

MMORPGPacket* MMORPGPacket::Alloc() {
  MMORPGPacket* packet = GetPacketPool()->Alloc();
  if (packet != nullptr) packet->m_PackHead = tagPackHead{};
  return packet;
}

void MMORPGPacket::Free(MMORPGPacket* packet) { GetPacketPool()->Free(packet); }

void MMORPGPacket::SetHead(const tagPackHead* head) {
  if (head == nullptr) {
    Reset();
    return;
  }
  m_PackHead = *head;
}

int32_t MMORPGPacket::ReadData(const char* data, int32_t length) {
  if (length < 0) {
    maplink::GetLogger()->LogError("MMORPGPacket::ReadData(char *lpData, int Len), Len = %d", length);
    return length;
  }
  if (length == 0) {
    m_Data.clear();
    return 0;
  }
  if (data == nullptr) {
    maplink::GetLogger()->LogError("MMORPGPacket::ReadData(char *lpData, int Len), lpData = NULL, Len = %d", length);
    return 0;
  }
  m_Data.assign(data, static_cast<size_t>(length));
  return length;
}

std::string MMORPGPacket::GetSendData() {
  std::string payload;
  std::string frame;
  maplink::BuildSendFrame(*this, payload, frame);
  return frame;
}

void MMORPGPacket::CopyHead(const MMORPGPacket* source) {
  if (source == nullptr) {
    Reset();
    return;
  }
  m_PackHead = source->m_PackHead;
  m_HeadExtra = source->m_HeadExtra;
}

void MMORPGPacket::Copy(const MMORPGPacket* source) {
  if (source == nullptr) {
    Reset();
    return;
  }
  CopyHead(source);
  m_FlagA = source->m_FlagA;
  m_NoHead = source->m_NoHead;
  m_ValueA = source->m_ValueA;
  m_ValueC = source->m_ValueC;
  m_ValueB = source->m_ValueB;
  if (source != this) m_Data = source->m_Data;
}

void MMORPGPacket::Reset() {
  m_Data.clear();
  if (m_Data.capacity() > kKeptBodyCapacity) std::string().swap(m_Data);
  m_ValueA = 0;
  m_FlagA = 0;
  m_NoHead = false;
  m_ValueC = 0;
  m_HeadExtra = 0;
  m_InUse = false;
}

}  // namespace MMORPG

namespace maplink {

void BuildSendFrame(MMORPG::MMORPGPacket& packet, std::string& payload, std::string& frame) {
  packet.m_Dispatcher->ClearBuffer();
  const std::string* framed = &packet.m_Data;
  if (!packet.m_NoHead) {
    MMORPG::WarnServerTypes(packet.m_PackHead);
    payload.resize(sizeof(tagPackHead) + packet.m_Data.size());
    int32_t offset = 0;
    WritePackHead(payload.data(), offset, packet.m_PackHead);
    std::copy(packet.m_Data.begin(), packet.m_Data.end(), payload.begin() + offset);
    framed = &payload;
  }
  // A frame beyond the 32-bit buffer size is refused (and logged) by PackData
  // without a buffer being made for it.
  const uint64_t needed = static_cast<uint64_t>(packet.m_Dispatcher->GetPackHeadLen()) + framed->size() +
                          static_cast<uint64_t>(packet.m_Dispatcher->GetCrcLen());
  const int32_t maxBuff =
      needed > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ? 0 : static_cast<int32_t>(needed);
  frame.resize(static_cast<size_t>(maxBuff));
  const auto payloadLen =
      static_cast<uint32_t>(std::min<uint64_t>(framed->size(), std::numeric_limits<uint32_t>::max()));
  const int32_t written = packet.m_Dispatcher->PackData(framed->data(), payloadLen, frame.data(), maxBuff);
  frame.resize(static_cast<size_t>(written));
}

}  // namespace maplink
