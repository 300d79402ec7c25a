#include "framing/ChPackageDispatcher.h"

#include <zlib.h>

#include "framing/FrameFormat.h"
#include "support/CommFunc.h"
#include "support/LogBinding.h"
#include "support/TextFormat.h"

namespace {

using namespace maplink::frame;

// "需要等待的封包:0x%x,%d": a frame waits for more bytes (its first byte, the bytes held).
constexpr const char* kWaitingFormat = "\xd0\xe8\xd2\xaa\xb5\xc8\xb4\xfd\xb5\xc4\xb7\xe2\xb0\xfc:0x%x,%d";
// "封包错误:0x%x": the marker read, or a length field too short for the CRC.
constexpr const char* kBadPackFormat = "\xb7\xe2\xb0\xfc\xb4\xed\xce\xf3:0x%x";
// "封包过长: %d" with the frame length; printed in 64 bits, since a 4-byte
// length field plus the head can exceed the 32-bit range.
constexpr const char* kTooLongFormat = "\xb7\xe2\xb0\xfc\xb9\xfd\xb3\xa4: %lld";

}  // namespace

ChPackageDispatcher::~ChPackageDispatcher() = default;

void ChPackageDispatcher::SetRecvFilter(maplink::RecvFilterFunc filter, void* context) {
  m_OnFilter = {filter, context};
}

void ChPackageDispatcher::SetPackCallback(maplink::PackCallbackFunc callback, void* context) {
  m_OnPack = {callback, context};
}

void ChPackageDispatcher::SetPayloadSink(PayloadSink sink, void* context) { m_PayloadSink = {sink, context}; }

void ChPackageDispatcher::SetErrorCallback(maplink::ErrorCallbackFunc callback, void* context) {
  m_OnError = {callback, context};
}

void ChPackageDispatcher::SetFatalCallback(maplink::FatalCallbackFunc callback, void* context) {
  m_OnFatal = {callback, context};
}

void ChPackageDispatcher::RecvData(const std::string& block) {
  // Held bytes are joined with the new block. Moving them out keeps their
  // capacity, so a long frame that arrives over many blocks is appended to
  // rather than copied anew on every call.
  std::string joined;
  if (!m_RecvBuf.empty()) {
    joined = std::move(m_RecvBuf);
    m_RecvBuf.clear();
    joined += block;
  }
  const std::string& data = joined.empty() ? block : joined;

  if (m_OnFilter.function != nullptr && !m_OnFilter.function(m_OnFilter.context, block)) return;

  size_t position = 0;
  while (position < data.size()) {
    const int64_t cut = CutPack(data.data() + position, data.size() - position);
    if (cut == kRefused) return;
    if (cut == kHold) {
      if (position == 0 && !joined.empty()) {
        m_RecvBuf = std::move(joined);
      } else {
        m_RecvBuf.assign(data, position);
      }
      return;
    }
    position += static_cast<size_t>(cut);
  }
}

int64_t ChPackageDispatcher::CutPack(const char* bytes, size_t count) {
  const int32_t packHeadLen = GetPackHeadLen();
  if (count < static_cast<size_t>(packHeadLen)) {
    NotifyWaiting(bytes, count);
    return kHold;
  }
  int32_t offset = 0;
  const uint16_t flag = maplink::ReadWord(bytes, offset);
  if (flag != PackFlag) {
    Refuse(maplink::FormatText(kBadPackFormat, static_cast<unsigned>(flag)));
    return kRefused;
  }
  const uint32_t lenField = m_LenMode != 0 ? maplink::ReadDWord(bytes, offset) : maplink::ReadWord(bytes, offset);
  if (m_UseCrc && lenField < static_cast<uint32_t>(kCrcLen)) {
    Refuse(maplink::FormatText(kBadPackFormat, static_cast<unsigned>(lenField)));
    return kRefused;
  }
  const int64_t frameLen = static_cast<int64_t>(lenField) + packHeadLen;
  if (frameLen > MaxPackLen) {
    Refuse(maplink::FormatText(kTooLongFormat, static_cast<long long>(frameLen)));
    return kRefused;
  }
  if (static_cast<uint64_t>(frameLen) > count) {
    NotifyWaiting(bytes, count);
    return kHold;
  }
  if (m_UseCrc) CheckCrc(bytes, static_cast<size_t>(frameLen));
  const size_t payloadLen = static_cast<size_t>(frameLen) - static_cast<size_t>(packHeadLen + GetCrcLen());
  if (m_PayloadSink.function != nullptr) {
    m_PayloadSink.function(m_PayloadSink.context, bytes + packHeadLen, payloadLen);
  } else if (m_OnPack.function != nullptr) {
    m_Payload.assign(bytes + packHeadLen, payloadLen);
    m_OnPack.function(m_OnPack.context, m_Payload);
  }
  return frameLen;
}

void ChPackageDispatcher::CheckCrc(const char* frame, size_t frameLen) const {
  const size_t covered = frameLen - static_cast<size_t>(kCrcLen);
  const uint32_t computed = CalcCRC(frame, covered);
  int32_t offset = static_cast<int32_t>(covered);
  const uint32_t stored = maplink::ReadDWord(frame, offset);
  if (computed == stored) return;
  maplink::GetLogger()->LogError("Pack CRC Error! curCRC = %d, packCRC = %d, pack = %s",
                                 static_cast<int32_t>(computed), static_cast<int32_t>(stored),
                                 maplink::HexString(frame, static_cast<int32_t>(frameLen)).c_str());
  throw maplink::PackCrcError();
}

void ChPackageDispatcher::NotifyWaiting(const char* bytes, size_t count) {
  if (m_OnError.function == nullptr) return;
  // The first byte is widened as a signed 8-bit value: a held FF shows as ffffffff.
  const auto first = static_cast<unsigned>(static_cast<int>(static_cast<signed char>(bytes[0])));
  Notify(maplink::FormatText(kWaitingFormat, first, static_cast<int>(count)));
}

void ChPackageDispatcher::Refuse(const std::string& message) {
  Notify(message);
  if (m_OnFatal.function != nullptr) m_OnFatal.function(m_OnFatal.context);
}

void ChPackageDispatcher::Notify(const std::string& message) {
  if (m_OnError.function != nullptr) m_OnError.function(m_OnError.context, message);
}

int32_t ChPackageDispatcher::PackData(const void* data, uint32_t len, void* out, int32_t maxBuff) {
  const int32_t packHeadLen = GetPackHeadLen();
  const int64_t totalPackLen = static_cast<int64_t>(len) + GetCrcLen();
  if (out == nullptr || (data == nullptr && len > 0)) {
    maplink::GetLogger()->LogCritical("ChPackageDispatcher::PackData null buffer, len(%u)", len);
    return 0;
  }
  if (m_LenMode == 0 && totalPackLen > kShortLenFieldMax) {
    maplink::GetLogger()->LogCritical("ChPackageDispatcher::PackData totalPackLen(%lld) > %u in length mode 0",
                                      static_cast<long long>(totalPackLen), kShortLenFieldMax);
    return 0;
  }
  if (packHeadLen + totalPackLen > maxBuff) {
    maplink::GetLogger()->LogCritical("ChPackageDispatcher::PackData packHeadLen(%d) + totalPackLen(%lld) > maxBuff(%d)",
                                      packHeadLen, static_cast<long long>(totalPackLen), maxBuff);
    return 0;
  }
  int32_t offset = 0;
  maplink::WriteWord(out, offset, PackFlag);
  if (m_LenMode != 0) {
    maplink::WriteDWord(out, offset, static_cast<uint32_t>(totalPackLen));
  } else {
    maplink::WriteWord(out, offset, static_cast<uint16_t>(totalPackLen));
  }
  maplink::WriteBuf(out, offset, data, static_cast<int32_t>(len));
  if (m_UseCrc) maplink::WriteDWord(out, offset, CalcCRC(out, static_cast<size_t>(offset)));
  return offset;
}

void ChPackageDispatcher::ClearBuffer() { m_RecvBuf.clear(); }

int32_t ChPackageDispatcher::GetPackHeadLen() const { return m_LenMode != 0 ? kLongPackHeadLen : kShortPackHeadLen; }

void ChPackageDispatcher::SetLenMode(int32_t lenMode) { m_LenMode = lenMode; }

int32_t ChPackageDispatcher::GetCrcLen() const { return m_UseCrc ? kCrcLen : 0; }

void ChPackageDispatcher::SetUseCrc(bool useCrc) { m_UseCrc = useCrc; }

bool ChPackageDispatcher::GetUseCrc() const { return m_UseCrc; }

uint32_t ChPackageDispatcher::CalcCRC(const void* bytes, size_t count) {
  return static_cast<uint32_t>(crc32_z(0, static_cast<const Bytef*>(bytes), count));
}
