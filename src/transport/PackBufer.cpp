#include "transport/PackBufer.h"

#include <algorithm>

#include "support/CommFunc.h"
#include "support/LogBinding.h"
#include "support/TextFormat.h"

namespace {

constexpr int32_t kHugeSize = 65536;

size_t CheckedSize(int32_t size) {
  if (size > kHugeSize) {
    maplink::GetLogger()->LogWarn("%s Huge Packet Len:%d",
                                  maplink::PlaceText("..\\..\\lib\\TestLib\\PackBuffer", 15).c_str(), size);
  }
  if (size < 0) {
    maplink::GetLogger()->LogWarn("PackBufer: negative size %d, capacity 0", size);
    return 0;
  }
  return static_cast<size_t>(size);
}

}  // namespace

PackBufer::PackBufer(int32_t size) : m_Buf(CheckedSize(size)) { Reset(); }

bool PackBufer::Append(const char* data, int32_t len) {
  // In 64 bits, so that a huge len cannot wrap the sum.
  const int64_t capacity = static_cast<int64_t>(m_Buf.size());
  if (len < 0 || int64_t{m_Len} + len >= capacity - 1) return false;
  maplink::WriteBuf(m_Buf.data(), m_Len, data, len);
  return true;
}

void PackBufer::Reset() {
  std::fill(m_Buf.begin(), m_Buf.end(), '\0');
  m_Len = 0;
}
