#pragma once

// Hex text, percentages, and little-endian readers and writers at a moving
// offset. The offset is held by the caller; every reader and writer works at
// buffer + offset and then advances it by the bytes handled. The caller makes
// sure the buffer is large enough: no bound is tested here.

#include <cstdint>
#include <string>

namespace maplink {

// Two upper-case hex digits per byte, each pair followed by the separator
// unless it is 0, then a terminating zero byte. "out" needs 2 × count + 1
// bytes without a separator, 3 × count + 1 with one.
void HexDump(char* out, const void* bytes, int32_t count, char separator);

// Each byte as two upper-case hex digits and a blank: 3 × count characters.
std::string HexString(const void* bytes, int32_t count);
inline std::string HexString(const std::string& bytes) {
  return HexString(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// a ÷ b × 100, or 0 when b is not greater than 0.
double Percent(double a, double b);

uint16_t ReadWord(const void* buffer, int32_t& offset);
uint32_t ReadDWord(const void* buffer, int32_t& offset);
void WriteBuf(void* buffer, int32_t& offset, const void* source, int32_t length);
void WriteWord(void* buffer, int32_t& offset, uint16_t value);
void WriteDWord(void* buffer, int32_t& offset, uint32_t value);

}  // namespace maplink
